// The Qt peers on the offscreen platform: controls shown by the toolkit's widgets, and the
// user's actions on those widgets arriving at the controls.
#include "os/linux/QtPeers.h"
#include "FakePlatform.h"
#include "os/linux/LinuxMessageLoop.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Spin.h"
#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>

#include <cstdlib>
#include <functional>

namespace {

// The fake system, but with the toolkit's peers and its event loop for modal forms.
class QtPlatform : public fake::FakePlatform {
public:
    ui::TPeerFactory* Peers() override { return &Qt; }
    os::QtPeerFactory Qt;
};

class TestForm : public ui::TForm {
public:
    TestForm() : ui::TForm(nullptr) {
        using namespace ui;
        SetName("TestForm");
        SetBorderStyle(TBorderStyle::bsDialog);
        SetClientWidth(300);
        SetClientHeight(240);
        Pages = NewComponent<TPageControl>(*this, "Pages");
        Pages->SetParent(this);
        Pages->SetBounds(0, 0, 300, 200);
        Pages->OnChange = [this](TComponent*) { ++PageChanges; };
        First = NewComponent<TTabSheet>(*this, "First");
        First->SetPageControl(Pages);
        First->SetCaption("First");
        Second = NewComponent<TTabSheet>(*this, "Second");
        Second->SetPageControl(Pages);
        Second->SetCaption("Second");
        Label = NewComponent<TLabel>(*this, "Label");
        Label->SetParent(First);
        Label->SetCaption("Alert me to have a rest in");
        Spin = NewComponent<TSpinEdit>(*this, "Spin");
        Spin->SetParent(First);
        Spin->SetBounds(10, 30, 60, 22);
        Spin->SetMinValue(1);
        Spin->SetMaxValue(1440);
        Spin->SetValue(50);
        for (int i = 0; i < 3; ++i) {
            Radios[i] = NewComponent<TRadioButton>(*this, "Radio" + std::to_string(i));
            Radios[i]->SetParent(First);
            Radios[i]->SetBounds(10, 60 + 22 * i, 200, 20);
            Radios[i]->SetCaption("Choice " + std::to_string(i));
        }
        Radios[1]->SetChecked(true);
        List = NewComponent<TListBox>(*this, "List");
        List->SetParent(Second);
        List->SetBounds(5, 5, 150, 120);
        List->SetSorted(true);
        List->OnClick = [this](TComponent*) { ++ListClicks; };
        OK = NewComponent<TButton>(*this, "OK");
        OK->SetParent(this);
        OK->SetBounds(200, 208, 75, 25);
        OK->SetCaption("&OK");
        OK->OnClick = [this](TComponent*) { Close(); };
    }

    ui::TPageControl* Pages;
    ui::TTabSheet* First;
    ui::TTabSheet* Second;
    ui::TLabel* Label;
    ui::TSpinEdit* Spin;
    ui::TRadioButton* Radios[3];
    ui::TListBox* List;
    ui::TButton* OK;
    int PageChanges = 0;
    int ListClicks = 0;
};

template <class W>
W* WidgetOf(ui::TForm& form, const char* name) {
    QWidget* top = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QString::fromUtf8(form.Name().c_str()))
            top = w;
    if (top == nullptr)
        return nullptr;
    if (top->objectName() == QLatin1String(name))
        return qobject_cast<W*>(top);
    return top->findChild<W*>(QString::fromLatin1(name));
}

void Key(QWidget* target, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

class QtPeersTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("QT_QPA_PLATFORM", "offscreen", 1); }

    // Runs the user's part once the modal form is up, then lets the loop go on.
    void WhileShown(std::function<void()> user) {
        QTimer::singleShot(50, [user = std::move(user)] { user(); });
    }

    int argc = 1;
    char name[16] = "peer-test";
    char* argv[2] = {name, nullptr};
    os::LinuxMessageLoop Loop{argc, argv};
    QtPlatform Platform;
};

TEST_F(QtPeersTest, AModalFormLetsTimersRunAndNeitherEnterNorEscapeAnswersIt) {
    auto form = ui::CreateForm<TestForm>();
    int ticks = 0;
    os::HWND timerWindow = Loop.CreateMessageWindow([&](os::UINT m, os::WPARAM, os::LPARAM) {
        ticks += m == os::WM_TIMER ? 1 : 0;
        return os::LRESULT{0};
    });
    Loop.SetTimer(timerWindow, 1, 20);
    bool openAfterKeys = false;
    int ticksWhileShown = 0;
    WhileShown([&] {
        QWidget* dialog = WidgetOf<QWidget>(*form, "TestForm");
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->size(), QSize(300, 240));
        Key(dialog, Qt::Key_Escape);
        Key(dialog, Qt::Key_Return);
        QApplication::processEvents();
        openAfterKeys = form->Visible() && dialog->isVisible();
        QTimer::singleShot(200, [&] {
            ticksWhileShown = ticks;
            WidgetOf<QPushButton>(*form, "OK")->click(); // the form closes itself
        });
    });
    form->ShowModal();
    Loop.KillTimer(timerWindow, 1);
    Loop.DestroyWindow(timerWindow);
    EXPECT_TRUE(openAfterKeys);
    EXPECT_GE(ticksWhileShown, 3);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(WidgetOf<QWidget>(*form, "TestForm")->isVisible());
}

TEST_F(QtPeersTest, TheCloseBoxAsksTheForm) {
    auto form = ui::CreateForm<TestForm>();
    bool asked = false;
    form->OnClose = [&](ui::TComponent*, ui::TCloseAction&) { asked = true; };
    WhileShown([&] { WidgetOf<QWidget>(*form, "TestForm")->close(); });
    form->ShowModal();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(form->Visible());
}

TEST_F(QtPeersTest, LabelsTakeTheSizeOfTheirTextInTheRealFont) {
    auto form = ui::CreateForm<TestForm>();
    form->Label->Font().SetName("Microsoft Sans Serif");
    form->Label->Font().SetHeight(13);
    auto* label = WidgetOf<QLabel>(*form, "Label");
    ASSERT_NE(label, nullptr);
    QFontMetrics metrics(label->font());
    EXPECT_EQ(form->Label->Width(), metrics.horizontalAdvance(label->text()));
    EXPECT_EQ(form->Label->Height(), metrics.height());
    EXPECT_EQ(label->font().pixelSize(), 13);
    EXPECT_EQ(label->geometry(), QRect(form->Label->Left(), form->Label->Top(),
                                       form->Label->Width(), form->Label->Height()));
}

TEST_F(QtPeersTest, TheSpinFieldKeepsTypedTextAndStepsThroughTheControl) {
    auto form = ui::CreateForm<TestForm>();
    auto* edit = WidgetOf<QAbstractSpinBox>(*form, "Spin")->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "50");
    edit->selectAll();
    for (QChar c : QStringLiteral("abc"))
        Key(edit, 0, c);
    EXPECT_EQ(form->Spin->Text(), "abc"); // kept as typed
    EXPECT_EQ(form->Spin->Value(), 1);
    Key(WidgetOf<QAbstractSpinBox>(*form, "Spin"), Qt::Key_Up);
    EXPECT_EQ(form->Spin->Value(), 2);
    EXPECT_EQ(edit->text(), "2");
    form->Spin->SetValue(5000);
    EXPECT_EQ(edit->text(), "1440");
}

TEST_F(QtPeersTest, TheSpinFieldStepsByOneOnlyNotByPagesOrTheWheel) {
    auto form = ui::CreateForm<TestForm>();
    auto* spin = WidgetOf<QAbstractSpinBox>(*form, "Spin");
    Key(spin, Qt::Key_PageUp);
    Key(spin, Qt::Key_PageDown);
    Key(spin, Qt::Key_PageDown);
    EXPECT_EQ(form->Spin->Value(), 50);
    QWheelEvent wheel(QPointF(5, 5), spin->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(spin, &wheel);
    EXPECT_EQ(form->Spin->Value(), 50);
    Key(spin, Qt::Key_Down);
    EXPECT_EQ(form->Spin->Value(), 49);
}

TEST_F(QtPeersTest, RadioButtonsShowTheGroupTheControlsKeep) {
    auto form = ui::CreateForm<TestForm>();
    auto* r0 = WidgetOf<QRadioButton>(*form, "Radio0");
    auto* r1 = WidgetOf<QRadioButton>(*form, "Radio1");
    ASSERT_TRUE(r1->isChecked());
    r0->click();
    EXPECT_TRUE(form->Radios[0]->Checked());
    EXPECT_FALSE(form->Radios[1]->Checked());
    EXPECT_TRUE(r0->isChecked());
    EXPECT_FALSE(r1->isChecked());
    r0->click(); // a checked one stays checked
    EXPECT_TRUE(r0->isChecked());
    EXPECT_TRUE(form->Radios[0]->Checked());
}

TEST_F(QtPeersTest, ListsShowTheirOwnOrderAndReportTheUsersChoiceOnly) {
    auto form = ui::CreateForm<TestForm>();
    for (const char* item : {"pear", "Apple", "fig"})
        form->List->Items().Add(item);
    auto* list = WidgetOf<QListWidget>(*form, "List");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "Apple");
    EXPECT_EQ(list->item(2)->text(), "pear");
    form->List->SetItemIndex(1); // the program's choice: no click
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(form->ListClicks, 0);
    list->setCurrentRow(2); // the user's
    EXPECT_EQ(form->List->ItemIndex(), 2);
    EXPECT_EQ(form->ListClicks, 1);

    form->Pages->SetActivePageIndex(1);
    list->resize(150, 120);
    QRect row = list->visualItemRect(list->item(1));
    EXPECT_EQ(form->List->ItemAtPos({row.center().x(), row.center().y()}, true), 1);
    EXPECT_EQ(form->List->ItemAtPos({5, row.height() * 3 + 5}, true), -1);
    EXPECT_EQ(form->List->ItemAtPos({5, row.height() * 3 + 5}, false), 3);
}

TEST_F(QtPeersTest, TheFocusEnteringAListChoosesNothingTheKeysThatFollowDo) {
    auto form = ui::CreateForm<TestForm>();
    for (const char* item : {"Deutsch 1031", "English 1033", "Nihongo 1041"})
        form->List->Items().Add(item);
    form->Pages->SetActivePageIndex(1);
    bool chosenByFocus = true;
    int clicksAfterFocus = -1;
    int indexAfterDown = -1;
    WhileShown([&] {
        auto* list = WidgetOf<QListWidget>(*form, "List");
        // What Tab does: the focus arrives from outside the list.
        list->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        chosenByFocus = form->List->ItemIndex() >= 0 || !list->selectedItems().isEmpty();
        clicksAfterFocus = form->ListClicks;
        Key(list, Qt::Key_Down);
        indexAfterDown = form->List->ItemIndex();
        form->Close();
    });
    form->ShowModal();
    EXPECT_FALSE(chosenByFocus);
    EXPECT_EQ(clicksAfterFocus, 0);
    EXPECT_GE(indexAfterDown, 0); // a key the user pressed does choose
    EXPECT_GE(form->ListClicks, 1);
}

TEST_F(QtPeersTest, TabsChangePagesAndOnlyTheUsersChangeIsReported) {
    auto form = ui::CreateForm<TestForm>();
    auto* tabs = WidgetOf<QTabWidget>(*form, "Pages");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), "Second");
    form->Pages->SetActivePageIndex(1);
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(form->PageChanges, 0);
    tabs->setCurrentIndex(0); // as a click on the tab does
    EXPECT_EQ(form->Pages->ActivePageIndex(), 0);
    EXPECT_EQ(form->PageChanges, 1);
    form->Second->SetCaption("Zweite");
    EXPECT_EQ(tabs->tabText(1), "Zweite");
}

} // namespace
