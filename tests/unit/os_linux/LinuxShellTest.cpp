// The notification-area bookkeeping, balloon notifications, menus and message boxes of the Qt
// shell, on Qt's offscreen platform (no tray host there: the icons are kept, not docked).
#include "os/linux/LinuxShell.h"
#include "os/linux/LinuxMessageLoop.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <vector>

namespace {

class LinuxShellTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("QT_QPA_PLATFORM", "offscreen", 1); }

    LinuxShellTest() {
        Window = Loop.CreateMessageWindow([this](os::UINT m, os::WPARAM w, os::LPARAM l) {
            if (m == Callback) {
                EXPECT_EQ(w, Id);
                Notes.push_back(static_cast<os::UINT>(l));
            }
            return os::LRESULT{0};
        });
        Data.hWnd = Window;
        Data.uID = Id;
        Data.uFlags = os::NIF_MESSAGE | os::NIF_ICON | os::NIF_TIP;
        Data.uCallbackMessage = Callback;
        Data.hIcon = Shell.LoadIconResource("TRAY0");
        os::CopyField(Data.szTip, "tip");
    }

    // Runs `action` once the nested loop has shown the box.
    static void WhenShown(std::function<void()> action) {
        QTimer::singleShot(50, std::move(action));
    }

    // The message box on screen, whatever its modality.
    static QMessageBox* ShownBox() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible())
                return box;
        return nullptr;
    }

    int argc = 1;
    char name[16] = "shell-test";
    char* argv[2] = {name, nullptr};
    os::LinuxMessageLoop Loop{argc, argv};
    os::LinuxShell Shell{Loop};
    static constexpr os::UINT Callback = 0x0800;
    static constexpr std::uintptr_t Id = 0xABCDEF0123456789ull; // needs all 64 bits
    os::HWND Window = 0;
    os::NotifyIconData Data;
    std::vector<os::UINT> Notes;
};

TEST_F(LinuxShellTest, IconsAreAddedOnceChangedWhileThereAndRemovedOnce) {
    EXPECT_FALSE(Shell.Shell_NotifyIcon(os::NIM_MODIFY, Data)) << "not there yet";
    EXPECT_FALSE(Shell.Shell_NotifyIcon(os::NIM_SETVERSION, Data));
    EXPECT_TRUE(Shell.Shell_NotifyIcon(os::NIM_ADD, Data));
    EXPECT_FALSE(Shell.Shell_NotifyIcon(os::NIM_ADD, Data)) << "a second add fails";
    EXPECT_TRUE(Shell.Shell_NotifyIcon(os::NIM_MODIFY, Data));
    EXPECT_TRUE(Shell.Shell_NotifyIcon(os::NIM_SETVERSION, Data));

    os::NotifyIconData other = Data;
    other.uID = Id ^ (std::uintptr_t{1} << 48); // the same low half, another icon
    EXPECT_FALSE(Shell.Shell_NotifyIcon(os::NIM_MODIFY, other));
    EXPECT_TRUE(Shell.Shell_NotifyIcon(os::NIM_ADD, other));

    EXPECT_TRUE(Shell.Shell_NotifyIcon(os::NIM_DELETE, Data));
    EXPECT_FALSE(Shell.Shell_NotifyIcon(os::NIM_DELETE, Data));
    EXPECT_FALSE(Shell.Shell_NotifyIcon(os::NIM_MODIFY, Data));
    EXPECT_TRUE(Shell.Shell_NotifyIcon(os::NIM_DELETE, other));
}

TEST_F(LinuxShellTest, BalloonsReportShowingAndHidingToTheIconsWindow) {
    ASSERT_TRUE(Shell.Shell_NotifyIcon(os::NIM_ADD, Data));
    os::NotifyIconData balloon = Data;
    balloon.uFlags |= os::NIF_INFO;
    os::CopyField(balloon.szInfo, "00:02:00 left");
    os::CopyField(balloon.szInfoTitle, "Vistrel");
    balloon.uTimeoutOrVersion = 10000;
    balloon.dwInfoFlags = os::NIIF_INFO;
    EXPECT_TRUE(Shell.Shell_NotifyIcon(os::NIM_MODIFY, balloon));
    Loop.ProcessMessages();
    EXPECT_EQ(Notes, (std::vector<os::UINT>{os::NIN_BALLOONSHOW}));

    os::NotifyIconData hide = Data;
    hide.uFlags |= os::NIF_INFO; // with an empty text: take it down
    Shell.Shell_NotifyIcon(os::NIM_MODIFY, hide);
    Shell.Shell_NotifyIcon(os::NIM_MODIFY, hide); // nothing left to hide
    Loop.ProcessMessages();
    EXPECT_EQ(Notes, (std::vector<os::UINT>{os::NIN_BALLOONSHOW, os::NIN_BALLOONHIDE}));

    Shell.Shell_NotifyIcon(os::NIM_MODIFY, balloon);
    Shell.Shell_NotifyIcon(os::NIM_DELETE, Data); // the balloon goes with its icon
    Loop.ProcessMessages();
    EXPECT_EQ(Notes, (std::vector<os::UINT>{os::NIN_BALLOONSHOW, os::NIN_BALLOONHIDE,
                                            os::NIN_BALLOONSHOW, os::NIN_BALLOONHIDE}));
}

TEST_F(LinuxShellTest, IconResourcesHaveHandlesUntilDestroyed) {
    os::HICON frame = Shell.LoadIconResource("TRAY3");
    ASSERT_NE(frame, 0u);
    EXPECT_FALSE(Shell.IconOf(frame).isNull());
    EXPECT_NE(Shell.LoadIconResource("TRAY3"), frame) << "each load is its own handle";
    EXPECT_NE(Shell.LoadIconResource("MAINICON"), 0u);
    EXPECT_EQ(Shell.LoadIconResource("NO_SUCH_ICON"), 0u);
    Shell.DestroyIcon(frame);
    EXPECT_TRUE(Shell.IconOf(frame).isNull());
    EXPECT_TRUE(Shell.IconOf(0).isNull());
}

TEST_F(LinuxShellTest, PopupMenuShowsTheEntriesAndReturnsTheChosenCommand) {
    std::vector<os::MenuEntry> entries{{1, "Help", false, true, false},
                                       {0, "", true, true, false},
                                       {4, "Option", false, true, true},
                                       {5, "Update", false, false, false},
                                       {7, "Exit", false, true, false}};
    QStringList shown;
    bool defaultBold = false;
    bool disabledGrey = false;
    WhenShown([&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* a : menu->actions()) {
            shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
            if (a->text() == "Option")
                defaultBold = a->font().bold();
            if (a->text() == "Update")
                disabledGrey = !a->isEnabled();
        }
        // Down three times: Help, Option (past the line), Exit (past the disabled Update).
        for (int i = 0; i < 3; ++i) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QCoreApplication::sendEvent(menu, &down);
        }
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(menu, &enter);
    });
    int chosen = Shell.TrackPopupMenu(entries, {100, 100}, 0);
    EXPECT_EQ(shown, (QStringList{"Help", "-", "Option", "Update", "Exit"}));
    EXPECT_TRUE(defaultBold);
    EXPECT_TRUE(disabledGrey);
    EXPECT_EQ(chosen, 7);
}

TEST_F(LinuxShellTest, DismissedMenuReturnsZero) {
    WhenShown([] {
        if (QWidget* menu = QApplication::activePopupWidget())
            menu->close();
    });
    EXPECT_EQ(Shell.TrackPopupMenu({{1, "Help", false, true, false}}, {10, 10}, 0), 0);
}

TEST_F(LinuxShellTest, MessageBoxShowsItsIconAndAnswersWithThePressedButton) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    WhenShown([&] {
        auto* box = ShownBox();
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        text = box->text();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(Shell.MessageBox(0, "Delete it?", "Alert", os::MB_YESNO | os::MB_ICONQUESTION),
              os::IDNO);
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(text, "Delete it?");

    WhenShown([&] {
        auto* box = ShownBox();
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(Shell.MessageBox(0, "Sure?", "Alert", os::MB_YESNO | os::MB_ICONWARNING), os::IDYES);
    EXPECT_EQ(icon, QMessageBox::Warning);

    WhenShown([&] {
        auto* box = ShownBox();
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(Shell.MessageBox(0, "Help file missing!", "Error", os::MB_OK | os::MB_ICONERROR),
              os::IDOK);
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST_F(LinuxShellTest, MessageBoxOfTheProgramBlocksNothingWhileOneOverAWindowBlocksThatWindow) {
    // Owned by the hidden main window: no modal widget, so the tray menu and the program's
    // other windows keep answering; timers keep running meanwhile.
    bool modalSeen = true;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    WhenShown([&] {
        QMessageBox* box = ShownBox();
        ASSERT_NE(box, nullptr);
        modalSeen = QApplication::activeModalWidget() != nullptr || box->isModal();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(Shell.MessageBox(Window, "Updater missing!", "Error", os::MB_OK | os::MB_ICONERROR),
              os::IDOK);
    EXPECT_FALSE(modalSeen);
    EXPECT_GE(ticks, 2);
    ticker.stop();

    // Over a shown dialog: modal to that dialog, which is its parent.
    QWidget dialog;
    dialog.resize(300, 200);
    dialog.show();
    QWidget* parentSeen = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    WhenShown([&] {
        QMessageBox* box = ShownBox();
        ASSERT_NE(box, nullptr);
        parentSeen = box->parentWidget();
        modality = box->windowModality();
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(Shell.MessageBox(static_cast<os::HWND>(dialog.winId()), "Delete it?", "Alert",
                               os::MB_YESNO | os::MB_ICONQUESTION),
              os::IDYES);
    EXPECT_EQ(parentSeen, &dialog);
    EXPECT_EQ(modality, Qt::WindowModal);

    // Closed without a button (the close box): the safe answer.
    WhenShown([&] {
        QMessageBox* box = ShownBox();
        ASSERT_NE(box, nullptr);
        box->reject();
    });
    EXPECT_EQ(Shell.MessageBox(0, "Delete it?", "Alert", os::MB_YESNO | os::MB_ICONQUESTION),
              os::IDNO);
}

} // namespace
