#include "os/linux/QtPeers.h"

#include "os/linux/ResourcePicture.h"
#include "platform/MPlayer.h"
#include "ui/Application.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Spin.h"
#include "ui/StdCtrls.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <qdrawutil.h>
#include <QEventLoop>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QtGui/qguiapplication_platform.h>
#include <QToolTip>
#include <QWheelEvent>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

namespace os {

namespace {

using ui::TProperty;

QString ToQ(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string FromQ(const QString& s) {
    QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// A caption's accelerator marks as a plain label shows them: "&&" is one ampersand.
QString WithoutAccelerators(const std::string& caption) {
    std::string text;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        text += caption[i];
    }
    return ToQ(text);
}

// Runs what a user's action sets off; an error it raises is shown, as the message loop of the
// program shows every error that ends a handler.
template <class F>
void Guard(F&& f) {
    ui::HandleExceptions(std::forward<F>(f));
}

QColor ToQColor(ui::TColor color) {
    if (color.IsSystem()) {
        const QPalette palette = QApplication::palette();
        switch (color.SystemIndex()) {
        case 5: // window
            return palette.color(QPalette::Base);
        case 8: // window text
            return palette.color(QPalette::WindowText);
        case 13:
            return palette.color(QPalette::Highlight);
        case 14:
            return palette.color(QPalette::HighlightedText);
        case 15: // button face
            return palette.color(QPalette::Window);
        default:
            break;
        }
    }
    ui::TColor plain = ui::ColorToRGB(color);
    return QColor(plain.Red(), plain.Green(), plain.Blue());
}

QFont ToQFont(const ui::TFont& font) {
    QFont q(ToQ(font.Name()));
    q.setPixelSize(font.Height() > 0 ? font.Height() : 1);
    q.setBold((font.Style() & ui::fsBold) != 0);
    q.setItalic((font.Style() & ui::fsItalic) != 0);
    q.setUnderline((font.Style() & ui::fsUnderline) != 0);
    q.setStrikeOut((font.Style() & ui::fsStrikeOut) != 0);
    return q;
}

Qt::CursorShape ToQCursor(ui::TCursor cursor) {
    switch (cursor) {
    case ui::TCursor::crHourGlass:
        return Qt::WaitCursor;
    case ui::TCursor::crHandPoint:
        return Qt::PointingHandCursor;
    case ui::TCursor::crIBeam:
        return Qt::IBeamCursor;
    default:
        return Qt::ArrowCursor;
    }
}

Qt::Alignment ToQAlignment(ui::TAlignment alignment) {
    switch (alignment) {
    case ui::TAlignment::taCenter:
        return Qt::AlignHCenter;
    case ui::TAlignment::taRightJustify:
        return Qt::AlignRight;
    default:
        return Qt::AlignLeft;
    }
}

ui::TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    ui::TShiftState shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= ui::ssShift;
    if (modifiers & Qt::AltModifier)
        shift |= ui::ssAlt;
    if (modifiers & Qt::ControlModifier)
        shift |= ui::ssCtrl;
    if (buttons & Qt::LeftButton)
        shift |= ui::ssLeft;
    if (buttons & Qt::RightButton)
        shift |= ui::ssRight;
    if (buttons & Qt::MiddleButton)
        shift |= ui::ssMiddle;
    return shift;
}

// ---- The common part of every peer ---------------------------------------------------------

class QtPeer : public QObject, public ui::TControlPeer {
public:
    QtPeer(ui::TControl& control, QWidget* widget) : control_(control), widget_(widget) {
        widget->setObjectName(ToQ(control.Name())); // found by name, like the control
        widget->installEventFilter(this);
    }
    ~QtPeer() override {
        // The control is going: nothing the widget says on its way out may reach it. Deleting
        // a widget takes its children's widgets along; their peers see them gone.
        alive_ = false;
        *life_ = false;
        delete widget_.data();
    }
    QtPeer(const QtPeer&) = delete;
    QtPeer& operator=(const QtPeer&) = delete;

    // Brings the widget up to the control's state; after construction.
    void ApplyAll() {
        for (TProperty p : {TProperty::Parent,      TProperty::Bounds,      TProperty::Font,
                            TProperty::Color,       TProperty::Caption,     TProperty::Hint,
                            TProperty::Enabled,     TProperty::Cursor,      TProperty::TabStop,
                            TProperty::Alignment,   TProperty::BorderStyle, TProperty::Style,
                            TProperty::Checked,     TProperty::Items,       TProperty::ItemIndex,
                            TProperty::Text,        TProperty::ReadOnly,    TProperty::ScrollBars,
                            TProperty::WordWrap,    TProperty::Range,       TProperty::Picture,
                            TProperty::Transparent, TProperty::ActivePage,  TProperty::Visible})
            Apply(p);
    }

    void PropertyChanged(ui::TControl& /*control*/, TProperty property) override {
        if (widget_)
            Apply(property);
    }

    bool MeasureText(const ui::TFont& font, const std::string& text, int& width,
                     int& height) override {
        QFontMetrics metrics(ToQFont(font));
        width = metrics.horizontalAdvance(ToQ(text));
        height = metrics.height();
        return true;
    }

    HWND NativeHandle() override { return widget_ ? static_cast<HWND>(widget_->winId()) : 0; }

    // Where the widgets of child controls go.
    virtual QWidget* Container() { return widget_; }
    QWidget* Widget() const { return widget_; }

protected:
    virtual void Apply(TProperty property) {
        switch (property) {
        case TProperty::Parent:
            AttachToParent();
            break;
        case TProperty::Bounds:
            widget_->setGeometry(control_.Left(), control_.Top(), control_.Width(),
                                 control_.Height());
            break;
        case TProperty::Visible:
            if (widget_->parentWidget() != nullptr)
                widget_->setVisible(control_.Visible());
            break;
        case TProperty::Enabled:
            widget_->setEnabled(control_.Enabled());
            break;
        case TProperty::Hint:
        case TProperty::ShowHint:
            widget_->setToolTip(control_.ShowHint() ? ToQ(control_.Hint()) : QString());
            break;
        case TProperty::Font: {
            widget_->setFont(ToQFont(control_.Font()));
            QPalette palette = widget_->palette();
            QColor text = ToQColor(control_.Font().Color());
            for (QPalette::ColorRole role :
                 {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                palette.setColor(role, text);
            widget_->setPalette(palette);
            break;
        }
        case TProperty::Cursor:
            if (control_.Cursor() == ui::TCursor::crDefault)
                widget_->unsetCursor();
            else
                widget_->setCursor(ToQCursor(control_.Cursor()));
            break;
        case TProperty::TabStop:
            if (auto* control = dynamic_cast<ui::TWinControl*>(&control_); control && TakesFocus())
                widget_->setFocusPolicy(control->TabStop() ? Qt::StrongFocus : Qt::ClickFocus);
            else
                widget_->setFocusPolicy(Qt::NoFocus);
            break;
        case TProperty::Focus:
            if (!widget_->hasFocus())
                widget_->setFocus(Qt::OtherFocusReason);
            break;
        default:
            break;
        }
    }

    // Whether the user can put the focus on the control; containers and forms cannot.
    virtual bool TakesFocus() const { return true; }

    // Puts the widget into the container of the parent control's peer.
    virtual void AttachToParent() {
        QWidget* parent = nullptr;
        if (ui::TWinControl* p = control_.Parent())
            if (auto* peer = dynamic_cast<QtPeer*>(p->Peer()))
                parent = peer->Container();
        if (widget_->parentWidget() != parent)
            widget_->setParent(parent);
        if (parent != nullptr)
            widget_->setVisible(control_.Visible());
    }

    // Runs what the user set off, while the control is there to hear it.
    template <class F>
    void User(F&& f) {
        if (alive_)
            Guard(std::forward<F>(f));
    }

    // The background of the widget in a palette role, from the control's colour.
    void ApplyBackground(QPalette::ColorRole role) {
        QPalette palette = widget_->palette();
        palette.setColor(role, ToQColor(control_.Color()));
        widget_->setPalette(palette);
    }

    // Focus, pointer entry and exit reported to the control.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!alive_)
            return false;
        switch (event->type()) {
        case QEvent::FocusIn:
            if (auto* control = dynamic_cast<ui::TWinControl*>(&control_); control && TakesFocus())
                if (!control->Focused() && control->CanFocus())
                    Guard([control] { control->SetFocus(); });
            break;
        case QEvent::Enter:
            if (watched == widget_)
                User([this] { control_.MouseEnter(); });
            break;
        case QEvent::Leave:
            if (watched == widget_)
                User([this] { control_.MouseLeave(); });
            break;
        default:
            break;
        }
        return false;
    }

    // A left click released over the widget: the control's click (labels, images).
    bool ClickFrom(QEvent* event) {
        if (event->type() != QEvent::MouseButtonRelease)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            widget_->rect().contains(mouse->position().toPoint()))
            User([this] { control_.Click(); });
        return false;
    }

    ui::TControl& control_;
    QPointer<QWidget> widget_;
    bool alive_ = true;
    // The same, for the widget's signal handlers: they may run while the peer is half gone.
    std::shared_ptr<bool> life_ = std::make_shared<bool>(true);
};

// ---- Forms ---------------------------------------------------------------------------------

class DialogWidget : public QDialog {
public:
    std::function<void()> OnCloseBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        // Neither Enter nor Escape answers the dialog: it has no default or cancel button.
        switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->ignore();
            return;
        default:
            QDialog::keyPressEvent(event);
        }
    }
    void closeEvent(QCloseEvent* event) override {
        event->ignore(); // the form decides, and hides itself when it closes
        if (OnCloseBox)
            OnCloseBox();
    }
};

class FormPeer : public QtPeer {
public:
    explicit FormPeer(ui::TForm& form) : QtPeer(form, new DialogWidget), form_(form) {
        Dialog()->OnCloseBox = [this, life = life_] {
            if (*life)
                User([this] { form_.Close(); });
        };
        Dialog()->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    ~FormPeer() override {
        if (loop_ != nullptr)
            loop_->quit();
    }

    void RunLoop() {
        if (!widget_ || !widget_->isVisible())
            return;
        QEventLoop loop;
        loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        loop_ = nullptr;
    }

    bool TakesFocus() const override { return false; }

    void BringToFront() override {
        if (widget_ && widget_->isVisible()) {
            widget_->raise();
            widget_->activateWindow();
        }
    }

protected:
    DialogWidget* Dialog() const { return static_cast<DialogWidget*>(widget_.data()); }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Parent:
            break; // always a window of its own
        case TProperty::Bounds:
            if (form_.BorderStyle() == ui::TBorderStyle::bsSizeable ||
                form_.BorderStyle() == ui::TBorderStyle::bsSizeToolWin)
                widget_->resize(form_.ClientWidth(), form_.ClientHeight());
            else
                widget_->setFixedSize(form_.ClientWidth(), form_.ClientHeight());
            break;
        case TProperty::Caption:
            widget_->setWindowTitle(ToQ(form_.Caption()));
            break;
        case TProperty::BorderStyle: {
            Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
            if (form_.BorderIcons() & ui::biSystemMenu)
                flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (form_.BorderIcons() & ui::biMinimize)
                flags |= Qt::WindowMinimizeButtonHint;
            if (form_.BorderIcons() & ui::biMaximize)
                flags |= Qt::WindowMaximizeButtonHint;
            widget_->setWindowFlags(flags);
            break;
        }
        case TProperty::Color:
            ApplyBackground(QPalette::Window);
            break;
        case TProperty::Visible:
            if (form_.Visible()) {
                if (!widget_->isVisible())
                    Place();
                widget_->show();
                widget_->raise();
                widget_->activateWindow();
            } else {
                widget_->hide();
                if (loop_ != nullptr)
                    loop_->quit();
            }
            break;
        default:
            QtPeer::Apply(property);
        }
    }

    // Centres a form that asks for it on the screen; otherwise puts it where it says.
    void Place() {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen == nullptr)
            return;
        if (form_.Position() == ui::TPosition::poScreenCenter ||
            form_.Position() == ui::TPosition::poDesktopCenter ||
            form_.Position() == ui::TPosition::poMainFormCenter ||
            form_.Position() == ui::TPosition::poOwnerFormCenter) {
            QRect area = screen->availableGeometry();
            widget_->move(area.center() - widget_->rect().center());
        } else if (form_.Position() == ui::TPosition::poDesigned) {
            widget_->move(form_.Left(), form_.Top());
        }
    }

private:
    ui::TForm& form_;
    QEventLoop* loop_ = nullptr;
};

// ---- Page controls -------------------------------------------------------------------------

class PageControlPeer : public QtPeer {
public:
    explicit PageControlPeer(ui::TPageControl& pages)
        : QtPeer(pages, new QTabWidget), pages_(pages) {
        QObject::connect(Tabs(), &QTabWidget::currentChanged, Tabs(),
                         [this, life = life_](int index) {
                             if (*life && !setting_)
                                 User([this, index] { pages_.SelectPageByUser(index); });
                         });
        Tabs()->tabBar()->installEventFilter(this);
    }

    QTabWidget* Tabs() const { return static_cast<QTabWidget*>(widget_.data()); }

    // A tab sheet's page joins at its place among the pages.
    void AddPage(QWidget* page, int index, const QString& caption) {
        if (!widget_)
            return;
        setting_ = true;
        Tabs()->insertTab(index, page, caption);
        Tabs()->setCurrentIndex(pages_.ActivePageIndex());
        setting_ = false;
        page->installEventFilter(this);
    }
    void RemovePage(QWidget* page) {
        if (!widget_)
            return;
        setting_ = true;
        Tabs()->removeTab(Tabs()->indexOf(page));
        setting_ = false;
    }
    void SetPageCaption(QWidget* page, const QString& caption) {
        if (widget_)
            Tabs()->setTabText(Tabs()->indexOf(page), caption);
    }

protected:
    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::ActivePage:
            setting_ = true;
            Tabs()->setCurrentIndex(pages_.ActivePageIndex());
            setting_ = false;
            break;
        case TProperty::PageIndex:
            Reorder();
            break;
        default:
            QtPeer::Apply(property);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        // The pages' real place, once the toolkit has laid out its tabs.
        if (alive_ && event->type() == QEvent::Resize && widget_ && watched != widget_ &&
            watched != Tabs()->tabBar()) {
            auto* page = static_cast<QWidget*>(watched);
            QPoint at = page->mapTo(Tabs(), QPoint(0, 0));
            QSize size = page->size();
            User([&] {
                pages_.SetDisplayRect(
                    {at.x(), at.y(), at.x() + size.width(), at.y() + size.height()});
            });
        }
        return QtPeer::eventFilter(watched, event);
    }

private:
    void Reorder() {
        setting_ = true;
        for (int i = 0; i < pages_.PageCount(); ++i) {
            auto* peer = dynamic_cast<QtPeer*>(pages_.Pages(i)->Peer());
            if (peer == nullptr || peer->Widget() == nullptr)
                continue;
            int at = Tabs()->indexOf(peer->Widget());
            if (at >= 0 && at != i) {
                QString text = Tabs()->tabText(at);
                Tabs()->removeTab(at);
                Tabs()->insertTab(i, peer->Widget(), text);
            }
        }
        Tabs()->setCurrentIndex(pages_.ActivePageIndex());
        setting_ = false;
    }

    ui::TPageControl& pages_;
    bool setting_ = false;
};

class TabSheetPeer : public QtPeer {
public:
    explicit TabSheetPeer(ui::TTabSheet& sheet) : QtPeer(sheet, new QWidget), sheet_(sheet) {}
    bool TakesFocus() const override { return false; }
    ~TabSheetPeer() override {
        if (owner_ && widget_)
            owner_->RemovePage(widget_);
    }

protected:
    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Parent:
            AttachToParent();
            break;
        case TProperty::Caption:
            if (owner_ && widget_)
                owner_->SetPageCaption(widget_, ToQ(sheet_.Caption()));
            break;
        case TProperty::Bounds:
        case TProperty::Visible:
            break; // the page control places and shows its pages
        case TProperty::Color:
            ApplyBackground(QPalette::Window);
            break;
        default:
            QtPeer::Apply(property);
        }
    }

    void AttachToParent() override {
        ui::TPageControl* pages = sheet_.PageControl();
        auto* peer = pages ? dynamic_cast<PageControlPeer*>(pages->Peer()) : nullptr;
        if (peer == owner_)
            return;
        if (owner_)
            owner_->RemovePage(widget_);
        owner_ = peer;
        if (owner_)
            owner_->AddPage(widget_, sheet_.PageIndex(), ToQ(sheet_.Caption()));
        else
            widget_->setParent(nullptr);
    }

private:
    ui::TTabSheet& sheet_;
    PageControlPeer* owner_ = nullptr;
};

// ---- Panels, group boxes, plain containers -------------------------------------------------

class PanelWidget : public QFrame {
public:
    QString Caption;
    Qt::Alignment Alignment = Qt::AlignHCenter;

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        if (Caption.isEmpty())
            return;
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(contentsRect(), static_cast<int>(Alignment | Qt::AlignVCenter), Caption);
    }
};

class PanelPeer : public QtPeer {
public:
    explicit PanelPeer(ui::TCustomPanel& panel) : QtPeer(panel, new PanelWidget), panel_(panel) {
        widget_->setAutoFillBackground(true);
    }

    bool TakesFocus() const override { return false; }

    // A window of its own, so another program can draw in it. No program can draw in another's
    // Wayland window: there the panel has none, and a preview finds no window to draw in.
    HWND NativeHandle() override {
        if (!widget_ || QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            return 0;
        widget_->setAttribute(Qt::WA_NativeWindow);
        return static_cast<HWND>(widget_->winId());
    }

protected:
    PanelWidget* Panel() const { return static_cast<PanelWidget*>(widget_.data()); }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Caption:
            Panel()->Caption = WithoutAccelerators(panel_.Caption());
            Panel()->update();
            break;
        case TProperty::Alignment:
            Panel()->Alignment = ToQAlignment(panel_.Alignment());
            Panel()->update();
            break;
        case TProperty::Style: {
            auto shadow = [](ui::TPanelBevel bevel) {
                return bevel == ui::TPanelBevel::bvLowered ? QFrame::Sunken : QFrame::Raised;
            };
            if (panel_.BevelOuter() == ui::TPanelBevel::bvNone &&
                panel_.BevelInner() == ui::TPanelBevel::bvNone) {
                Panel()->setFrameStyle(QFrame::NoFrame);
            } else {
                ui::TPanelBevel bevel = panel_.BevelOuter() != ui::TPanelBevel::bvNone
                                            ? panel_.BevelOuter()
                                            : panel_.BevelInner();
                Panel()->setFrameStyle(QFrame::Panel | shadow(bevel));
                Panel()->setLineWidth(1);
            }
            break;
        }
        case TProperty::Color:
            ApplyBackground(QPalette::Window);
            break;
        default:
            QtPeer::Apply(property);
        }
    }

private:
    ui::TCustomPanel& panel_;
};

class GroupBoxPeer : public QtPeer {
public:
    explicit GroupBoxPeer(ui::TCustomGroupBox& group)
        : QtPeer(group, new QGroupBox), group_(group) {}
    bool TakesFocus() const override { return false; }

protected:
    void Apply(TProperty property) override {
        if (property == TProperty::Caption)
            static_cast<QGroupBox*>(widget_.data())->setTitle(ToQ(group_.Caption()));
        else
            QtPeer::Apply(property);
    }

private:
    ui::TCustomGroupBox& group_;
};

class ContainerPeer : public QtPeer {
public:
    explicit ContainerPeer(ui::TWinControl& control) : QtPeer(control, new QWidget) {}
    bool TakesFocus() const override { return false; }
};

// ---- Labels and images ---------------------------------------------------------------------

class LabelPeer : public QtPeer {
public:
    explicit LabelPeer(ui::TCustomLabel& label) : QtPeer(label, new QLabel), label_(label) {
        Label()->setTextFormat(Qt::PlainText);
        Label()->setMargin(0);
        Label()->setIndent(0);
    }

protected:
    QLabel* Label() const { return static_cast<QLabel*>(widget_.data()); }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Caption:
            Label()->setText(WithoutAccelerators(label_.Caption()));
            break;
        case TProperty::Alignment:
            Label()->setAlignment(ToQAlignment(label_.Alignment()) | Qt::AlignTop);
            break;
        default:
            QtPeer::Apply(property);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        ClickFrom(event);
        return QtPeer::eventFilter(watched, event);
    }

private:
    ui::TCustomLabel& label_;
};

class ImagePeer : public QtPeer {
public:
    explicit ImagePeer(ui::TImage& image) : QtPeer(image, new QLabel), image_(image) {}

protected:
    QLabel* Label() const { return static_cast<QLabel*>(widget_.data()); }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Picture:
            Label()->setPixmap(ResourcePicture(image_.Picture()));
            Label()->setScaledContents(image_.Stretch());
            Label()->setAlignment(image_.Center() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
            break;
        case TProperty::Transparent:
            Label()->setAutoFillBackground(!image_.Transparent());
            break;
        default:
            QtPeer::Apply(property);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        ClickFrom(event);
        return QtPeer::eventFilter(watched, event);
    }

private:
    ui::TImage& image_;
};

// ---- Text fields ---------------------------------------------------------------------------

class MemoPeer : public QtPeer {
public:
    explicit MemoPeer(ui::TCustomMemo& memo) : QtPeer(memo, new QPlainTextEdit), memo_(memo) {
        QObject::connect(Edit(), &QPlainTextEdit::textChanged, Edit(), [this, life = life_] {
            if (!*life || setting_)
                return;
            std::string typed = FromQ(Edit()->toPlainText());
            User([this, &typed] { memo_.SetText(typed); });
        });
    }

protected:
    QPlainTextEdit* Edit() const { return static_cast<QPlainTextEdit*>(widget_.data()); }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Text: {
            QString text = ToQ(memo_.Text()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            if (Edit()->toPlainText() != text) {
                setting_ = true;
                Edit()->setPlainText(text);
                setting_ = false;
            }
            break;
        }
        case TProperty::ReadOnly:
            Edit()->setReadOnly(memo_.ReadOnly());
            break;
        case TProperty::ScrollBars: {
            auto style = memo_.ScrollBars();
            bool vertical =
                style == ui::TScrollStyle::ssVertical || style == ui::TScrollStyle::ssBoth;
            bool horizontal =
                style == ui::TScrollStyle::ssHorizontal || style == ui::TScrollStyle::ssBoth;
            Edit()->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn
                                                        : Qt::ScrollBarAlwaysOff);
            Edit()->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn
                                                            : Qt::ScrollBarAlwaysOff);
            break;
        }
        case TProperty::WordWrap:
            Edit()->setLineWrapMode(memo_.WordWrap() ? QPlainTextEdit::WidgetWidth
                                                     : QPlainTextEdit::NoWrap);
            break;
        case TProperty::BorderStyle:
            Edit()->setFrameShape(memo_.BorderStyle() == ui::TBorderStyle::bsNone
                                      ? QFrame::NoFrame
                                      : QFrame::StyledPanel);
            break;
        case TProperty::Color:
            ApplyBackground(QPalette::Base);
            break;
        default:
            QtPeer::Apply(property);
        }
    }

private:
    ui::TCustomMemo& memo_;
    bool setting_ = false;
};

// A whole-number field: the text stays as typed (the control reads and corrects it), the
// arrows and the Up and Down keys step through the control.
class SpinWidget : public QAbstractSpinBox {
public:
    explicit SpinWidget(ui::TSpinEdit& spin) : spin_(spin) {}
    QLineEdit* Edit() const { return lineEdit(); }

    QValidator::State validate(QString& /*input*/, int& /*pos*/) const override {
        return QValidator::Acceptable;
    }
    void fixup(QString& /*input*/) const override {}
    void stepBy(int steps) override {
        Guard([this, steps] {
            for (int i = 0; i < (steps < 0 ? -steps : steps); ++i) {
                if (steps > 0)
                    spin_.StepUp();
                else
                    spin_.StepDown();
            }
        });
    }

protected:
    StepEnabled stepEnabled() const override {
        return spin_.ReadOnly() ? StepNone : (StepUpEnabled | StepDownEnabled);
    }
    // The field steps by its buttons and the Up and Down keys only: the toolkit's Page Up and
    // Page Down steps of ten and its wheel steps are not the field's.
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
            event->ignore();
            return;
        }
        QAbstractSpinBox::keyPressEvent(event);
    }
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }

private:
    ui::TSpinEdit& spin_;
};

class SpinEditPeer : public QtPeer {
public:
    explicit SpinEditPeer(ui::TSpinEdit& spin) : QtPeer(spin, new SpinWidget(spin)), spin_(spin) {
        Spin()->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        QObject::connect(Spin()->Edit(), &QLineEdit::textEdited, Spin(),
                         [this, life = life_](const QString& text) {
                             if (!*life)
                                 return;
                             std::string typed = FromQ(text);
                             User([this, &typed] { spin_.SetText(typed); });
                         });
    }

protected:
    SpinWidget* Spin() const { return static_cast<SpinWidget*>(widget_.data()); }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Text: {
            QString text = ToQ(spin_.Text());
            if (Spin()->Edit()->text() != text)
                Spin()->Edit()->setText(text);
            break;
        }
        case TProperty::ReadOnly:
            Spin()->setReadOnly(spin_.ReadOnly());
            break;
        case TProperty::Color:
            ApplyBackground(QPalette::Base);
            break;
        default:
            QtPeer::Apply(property);
        }
    }

private:
    ui::TSpinEdit& spin_;
};

// ---- Buttons -------------------------------------------------------------------------------

// Check boxes and radio buttons answer a click anywhere in their area, as Windows' do, not
// only on their mark and text.
template <class TButton>
class WholeAreaButton : public TButton {
protected:
    bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }
};

class CheckBoxPeer : public QtPeer {
public:
    explicit CheckBoxPeer(ui::TCustomCheckBox& box)
        : QtPeer(box, new WholeAreaButton<QCheckBox>), box_(box) {
        QObject::connect(Box(), &QCheckBox::clicked, Box(), [this, life = life_](bool checked) {
            if (!*life)
                return;
            if (box_.Checked() != checked)
                User([this] { box_.Toggle(); });
            if (widget_)
                Box()->setChecked(box_.Checked());
        });
    }

protected:
    QCheckBox* Box() const { return static_cast<QCheckBox*>(widget_.data()); }

    void Apply(TProperty property) override {
        if (property == TProperty::Caption)
            Box()->setText(ToQ(box_.Caption()));
        else if (property == TProperty::Checked)
            Box()->setChecked(box_.Checked());
        else
            QtPeer::Apply(property);
    }

private:
    ui::TCustomCheckBox& box_;
};

class RadioButtonPeer : public QtPeer {
public:
    explicit RadioButtonPeer(ui::TRadioButton& button)
        : QtPeer(button, new WholeAreaButton<QRadioButton>), button_(button) {
        // The control keeps its group exclusive; the widget only shows it.
        Button()->setAutoExclusive(false);
        QObject::connect(Button(), &QRadioButton::clicked, Button(), [this, life = life_] {
            if (!*life)
                return;
            User([this] { button_.Select(); });
            if (widget_)
                Button()->setChecked(button_.Checked());
        });
    }

protected:
    QRadioButton* Button() const { return static_cast<QRadioButton*>(widget_.data()); }

    void Apply(TProperty property) override {
        if (property == TProperty::Caption)
            Button()->setText(ToQ(button_.Caption()));
        else if (property == TProperty::Checked)
            Button()->setChecked(button_.Checked());
        else
            QtPeer::Apply(property);
    }

private:
    ui::TRadioButton& button_;
};

// A push button that Enter presses only while it has the focus.
class PushButtonWidget : public QPushButton {
protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            click();
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};

class ButtonPeer : public QtPeer {
public:
    explicit ButtonPeer(ui::TButton& button)
        : QtPeer(button, new PushButtonWidget), button_(button) {
        Button()->setAutoDefault(false);
        QObject::connect(Button(), &QPushButton::clicked, Button(), [this, life = life_] {
            if (*life)
                User([this] { button_.Click(); });
        });
    }

protected:
    QPushButton* Button() const { return static_cast<QPushButton*>(widget_.data()); }

    void Apply(TProperty property) override {
        if (property == TProperty::Caption)
            Button()->setText(ToQ(button_.Caption()));
        else if (property == TProperty::Default)
            Button()->setDefault(button_.Default());
        else
            QtPeer::Apply(property);
    }

private:
    ui::TButton& button_;
};

// ---- Lists ---------------------------------------------------------------------------------

class ListBoxPeer : public QtPeer {
public:
    explicit ListBoxPeer(ui::TCustomListBox& list) : QtPeer(list, new QListWidget), list_(list) {
        List()->setSelectionMode(QAbstractItemView::SingleSelection);
        List()->setUniformItemSizes(true);
        List()->viewport()->setMouseTracking(true);
        List()->viewport()->installEventFilter(this);
        // A choice is a selection: the focus arriving in a list without one makes the first
        // entry current but selects nothing, and that is nobody's choice.
        QObject::connect(List(), &QListWidget::itemSelectionChanged, List(), [this, life = life_] {
            if (!*life || setting_)
                return;
            const QList<QListWidgetItem*> chosen = List()->selectedItems();
            if (chosen.isEmpty())
                return;
            int row = List()->row(chosen.front());
            User([this, row] { list_.SelectByUser(row); });
        });
        QObject::connect(List()->verticalScrollBar(), &QScrollBar::valueChanged, List(),
                         [this, life = life_] {
                             if (!*life || !widget_)
                                 return;
                             QModelIndex top = List()->indexAt(QPoint(1, 1));
                             list_.SetTopIndex(top.isValid() ? top.row() : 0);
                         });
    }

    bool ItemAtPos(TPoint pos, int& index) override {
        if (!widget_)
            return false;
        QModelIndex at = List()->indexAt(QPoint(pos.X, pos.Y));
        index = at.isValid() ? at.row() : -1;
        return true;
    }

protected:
    QListWidget* List() const { return static_cast<QListWidget*>(widget_.data()); }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Items: {
            setting_ = true;
            List()->clear();
            for (int i = 0; i < list_.Items().Count(); ++i)
                List()->addItem(ToQ(list_.Items()[i]));
            List()->setCurrentRow(list_.ItemIndex());
            setting_ = false;
            break;
        }
        case TProperty::ItemIndex:
            setting_ = true;
            if (list_.ItemIndex() < 0) {
                List()->setCurrentRow(-1);
                List()->clearSelection();
            } else {
                List()->setCurrentRow(list_.ItemIndex());
            }
            setting_ = false;
            break;
        case TProperty::Hint:
        case TProperty::ShowHint:
            break; // shown by the viewport, for the entry under the pointer
        case TProperty::Cursor:
            if (list_.Cursor() == ui::TCursor::crDefault)
                List()->viewport()->unsetCursor();
            else
                List()->viewport()->setCursor(ToQCursor(list_.Cursor()));
            break;
        case TProperty::Color:
            ApplyBackground(QPalette::Base);
            break;
        default:
            QtPeer::Apply(property);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!alive_)
            return false;
        if (widget_ && watched == List()->viewport()) {
            if (event->type() == QEvent::MouseMove) {
                auto* mouse = static_cast<QMouseEvent*>(event);
                QPoint p = mouse->position().toPoint();
                ui::TShiftState shift = ShiftOf(mouse->modifiers(), mouse->buttons());
                User([this, p, shift] { list_.MouseMove(shift, p.x(), p.y()); });
            } else if (event->type() == QEvent::ToolTip) {
                auto* help = static_cast<QHelpEvent*>(event);
                if (list_.ShowHint() && !list_.Hint().empty())
                    QToolTip::showText(help->globalPos(), ToQ(list_.Hint()), List()->viewport());
                else
                    QToolTip::hideText();
                return true;
            }
            return false;
        }
        return QtPeer::eventFilter(watched, event);
    }

private:
    ui::TCustomListBox& list_;
    bool setting_ = false;
};

class ComboBoxPeer : public QtPeer {
public:
    explicit ComboBoxPeer(ui::TCustomComboBox& combo)
        : QtPeer(combo, new QComboBox), combo_(combo) {
        QObject::connect(Combo(), &QComboBox::activated, Combo(), [this, life = life_](int index) {
            if (*life)
                User([this, index] { combo_.SelectByUser(index); });
        });
    }

protected:
    QComboBox* Combo() const { return static_cast<QComboBox*>(widget_.data()); }

    void Apply(TProperty property) override {
        switch (property) {
        case TProperty::Items: {
            QSignalBlocker block(Combo());
            Combo()->clear();
            for (int i = 0; i < combo_.Items().Count(); ++i)
                Combo()->addItem(ToQ(combo_.Items()[i]));
            Combo()->setCurrentIndex(combo_.ItemIndex());
            break;
        }
        case TProperty::ItemIndex: {
            QSignalBlocker block(Combo());
            Combo()->setCurrentIndex(combo_.ItemIndex());
            break;
        }
        case TProperty::Style:
            Combo()->setEditable(combo_.Style() == ui::TComboBoxStyle::csDropDown);
            break;
        default:
            QtPeer::Apply(property);
        }
    }

private:
    ui::TCustomComboBox& combo_;
};

// ---- The media player's button bar ---------------------------------------------------------

class PlayerWidget : public QWidget {
public:
    explicit PlayerWidget(platform::TMediaPlayer& player) : player_(player) {}

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        for (const platform::TMPButtonFace& face : player_.ButtonFaces()) {
            QRect r(face.Rect.Left, face.Rect.Top, face.Rect.Right - face.Rect.Left,
                    face.Rect.Bottom - face.Rect.Top);
            qDrawWinButton(&painter, r, palette(), face.Pressed);
            QPixmap image = ResourcePicture(face.Image);
            if (!image.isNull())
                painter.drawPixmap(face.ImageAt.X, face.ImageAt.Y, image);
            if (face.Focused && hasFocus()) {
                QRect f(face.FocusRect.Left, face.FocusRect.Top,
                        face.FocusRect.Right - face.FocusRect.Left - 1,
                        face.FocusRect.Bottom - face.FocusRect.Top - 1);
                painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(f);
            }
        }
    }
    void mousePressEvent(QMouseEvent* event) override { Forward(event, 0); }
    void mouseMoveEvent(QMouseEvent* event) override { Forward(event, 1); }
    void mouseReleaseEvent(QMouseEvent* event) override { Forward(event, 2); }
    void keyPressEvent(QKeyEvent* event) override {
        int key = 0;
        switch (event->key()) {
        case Qt::Key_Left:
            key = 0x25;
            break;
        case Qt::Key_Right:
            key = 0x27;
            break;
        case Qt::Key_Space:
            key = 0x20;
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
        }
        ui::TShiftState shift = ShiftOf(event->modifiers(), Qt::NoButton);
        Guard([this, &key, shift] { player_.KeyDown(key, shift); });
        if (key == 0)
            event->accept();
        else
            QWidget::keyPressEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override {
        QWidget::focusInEvent(event);
        update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QWidget::focusOutEvent(event);
        update();
    }

private:
    void Forward(QMouseEvent* event, int what) {
        ui::TMouseButton button = event->button() == Qt::RightButton    ? ui::TMouseButton::mbRight
                                  : event->button() == Qt::MiddleButton ? ui::TMouseButton::mbMiddle
                                                                        : ui::TMouseButton::mbLeft;
        ui::TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
        QPoint p = event->position().toPoint();
        Guard([&] {
            if (what == 0)
                player_.MouseDown(button, shift, p.x(), p.y());
            else if (what == 1)
                player_.MouseMove(shift, p.x(), p.y());
            else
                player_.MouseUp(button, shift, p.x(), p.y());
        });
    }

    platform::TMediaPlayer& player_;
};

class MediaPlayerPeer : public QtPeer {
public:
    explicit MediaPlayerPeer(platform::TMediaPlayer& player)
        : QtPeer(player, new PlayerWidget(player)) {}

protected:
    void Apply(TProperty property) override {
        if (property == TProperty::Picture)
            widget_->update();
        else
            QtPeer::Apply(property);
    }
};

// ---- Foreign windows -----------------------------------------------------------------------

xcb_connection_t* XConnection() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

void CollectChildren(xcb_connection_t* c, xcb_window_t window, std::vector<HWND>& out) {
    xcb_query_tree_reply_t* reply = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    if (reply == nullptr)
        return; // gone meanwhile
    const int count = xcb_query_tree_children_length(reply);
    const xcb_window_t* children = xcb_query_tree_children(reply);
    std::vector<xcb_window_t> list(children, children + count);
    std::free(reply);
    // X lists the bottom window first; the system's order is from the top down.
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        out.push_back(*it);
        CollectChildren(c, *it, out);
    }
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    if (reply == nullptr)
        return XCB_ATOM_NONE;
    xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

} // namespace

// ---- The factory ---------------------------------------------------------------------------

QtPeerFactory::QtPeerFactory() {
    // The forms name Windows faces; each stands for the nearest face this system has.
    const QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                              QStringLiteral("DejaVu Sans"),     QStringLiteral("Noto Sans"),
                              QStringLiteral("FreeSans"),        QStringLiteral("Sans Serif")};
    for (const char* face : {"Microsoft Sans Serif", "MS Sans Serif", "MS Shell Dlg",
                             "MS Shell Dlg 2", "Tahoma", "Arial", "Verdana"})
        QFont::insertSubstitutions(QString::fromLatin1(face), sans);
    QFont::insertSubstitutions(QStringLiteral("MS UI Gothic"),
                               {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic"),
                                QStringLiteral("VL Gothic"), QStringLiteral("Droid Sans Fallback"),
                                QStringLiteral("Sans Serif")});
    QFont::insertSubstitutions(QStringLiteral("SimSun"), {QStringLiteral("Noto Sans CJK SC"),
                                                          QStringLiteral("WenQuanYi Zen Hei"),
                                                          QStringLiteral("AR PL UMing CN"),
                                                          QStringLiteral("Droid Sans Fallback"),
                                                          QStringLiteral("Sans Serif")});
}

std::unique_ptr<ui::TControlPeer> QtPeerFactory::CreatePeer(ui::TControl& control) {
    std::unique_ptr<QtPeer> peer;
    if (auto* form = dynamic_cast<ui::TForm*>(&control))
        peer = std::make_unique<FormPeer>(*form);
    else if (auto* pages = dynamic_cast<ui::TPageControl*>(&control))
        peer = std::make_unique<PageControlPeer>(*pages);
    else if (auto* sheet = dynamic_cast<ui::TTabSheet*>(&control))
        peer = std::make_unique<TabSheetPeer>(*sheet);
    else if (auto* player = dynamic_cast<platform::TMediaPlayer*>(&control))
        peer = std::make_unique<MediaPlayerPeer>(*player);
    else if (auto* spin = dynamic_cast<ui::TSpinEdit*>(&control))
        peer = std::make_unique<SpinEditPeer>(*spin);
    else if (auto* memo = dynamic_cast<ui::TCustomMemo*>(&control))
        peer = std::make_unique<MemoPeer>(*memo);
    else if (auto* label = dynamic_cast<ui::TCustomLabel*>(&control))
        peer = std::make_unique<LabelPeer>(*label);
    else if (auto* image = dynamic_cast<ui::TImage*>(&control))
        peer = std::make_unique<ImagePeer>(*image);
    else if (auto* box = dynamic_cast<ui::TCustomCheckBox*>(&control))
        peer = std::make_unique<CheckBoxPeer>(*box);
    else if (auto* radio = dynamic_cast<ui::TRadioButton*>(&control))
        peer = std::make_unique<RadioButtonPeer>(*radio);
    else if (auto* group = dynamic_cast<ui::TCustomGroupBox*>(&control))
        peer = std::make_unique<GroupBoxPeer>(*group);
    else if (auto* button = dynamic_cast<ui::TButton*>(&control))
        peer = std::make_unique<ButtonPeer>(*button);
    else if (auto* list = dynamic_cast<ui::TCustomListBox*>(&control))
        peer = std::make_unique<ListBoxPeer>(*list);
    else if (auto* combo = dynamic_cast<ui::TCustomComboBox*>(&control))
        peer = std::make_unique<ComboBoxPeer>(*combo);
    else if (auto* panel = dynamic_cast<ui::TCustomPanel*>(&control))
        peer = std::make_unique<PanelPeer>(*panel);
    else if (auto* container = dynamic_cast<ui::TWinControl*>(&control))
        peer = std::make_unique<ContainerPeer>(*container);
    if (!peer)
        return nullptr;
    peer->ApplyAll();
    return peer;
}

void QtPeerFactory::RunModal(ui::TForm& form) {
    if (auto* peer = dynamic_cast<FormPeer*>(form.Peer()))
        peer->RunLoop();
}

void QtPeerFactory::CancelHint() {
    QToolTip::hideText();
}

std::vector<HWND> QtPeerFactory::EnumChildWindows(HWND parent) {
    std::vector<HWND> windows;
    if (xcb_connection_t* c = XConnection(); c != nullptr && parent != 0)
        CollectChildren(c, static_cast<xcb_window_t>(parent), windows);
    return windows;
}

bool QtPeerFactory::IsWindowVisible(HWND window) {
    xcb_connection_t* c = XConnection();
    if (c == nullptr || window == 0)
        return false;
    xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
        c, xcb_get_window_attributes(c, static_cast<xcb_window_t>(window)), nullptr);
    if (reply == nullptr)
        return false;
    // Viewable: mapped, and every window it lies in is mapped too.
    bool visible = reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return visible;
}

void QtPeerFactory::CloseWindow(HWND window) {
    xcb_connection_t* c = XConnection();
    if (c == nullptr || window == 0)
        return;
    const auto target = static_cast<xcb_window_t>(window);
    const xcb_atom_t protocols = Atom(c, "WM_PROTOCOLS");
    const xcb_atom_t deleteWindow = Atom(c, "WM_DELETE_WINDOW");
    bool takesCloseRequests = false;
    if (xcb_get_property_reply_t* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, target, protocols, XCB_ATOM_ATOM, 0, 32), nullptr)) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / 4;
        for (int i = 0; i < count; ++i)
            takesCloseRequests = takesCloseRequests || atoms[i] == deleteWindow;
        std::free(reply);
    }
    if (takesCloseRequests && deleteWindow != XCB_ATOM_NONE) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = target;
        message.type = protocols;
        message.data.data32[0] = deleteWindow;
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c, 0, target, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
    } else {
        xcb_destroy_window(c, target);
    }
    xcb_flush(c);
}

} // namespace os
