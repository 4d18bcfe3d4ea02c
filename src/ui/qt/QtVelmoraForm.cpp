#include "ui/qt/QtVelmoraForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>

#include "platform/VirtualKeys.h"
#include "ui/qt/UrlField.h"

namespace velmora {
namespace {

QString Q(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

// The menu picture: three bars on a teal tile.
QPixmap MenuPicture() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x7a, 0x80));
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    painter.setBrush(QColor(0xe6, 0xfb, 0xfb));
    for (int y : {9, 15, 21})
        painter.drawRoundedRect(QRectF(8, y, 16, 3), 1.5, 1.5);
    return pixmap;
}

void Place(QWidget* widget, const TControl& control) {
    const TBounds& b = control.Bounds();
    widget->setObjectName(QString::fromStdString(control.Name()));
    widget->setGeometry(b.Left, b.Top, b.Width, b.Height);
}

}  // namespace

QtVelmoraForm::QtVelmoraForm(TVelmoraForm& form, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      form_(form) {
    setObjectName(QStringLiteral("VelmoraForm"));
    setWindowTitle(Q(form_.Caption));
    QFont font(QFontDatabase::families().contains(QStringLiteral("Tahoma"))
                   ? QStringLiteral("Tahoma")
                   : QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(13);
    setFont(font);
    BuildControls();
    PopupMenu1 = new QMenu(this);
    BuildMenu(form_.PopupMenu1, PopupMenu1);
    form_.AttachView(*this);
}

QtVelmoraForm::~QtVelmoraForm() {
    form_.DetachView();
    // Closing the window hides its controls, and a control may still signal (the history
    // list closing its pop-up) while this object is half destroyed: stop listening first.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void QtVelmoraForm::BuildControls() {
    TVelmoraForm& f = form_;
    LblURL = new QLabel(this);
    Place(LblURL, f.LblURL);

    LEURL = new TURLEdit(this);
    Place(LEURL, f.LEURL);
    LEURL->setAcceptDrops(true);
    LEURL->installEventFilter(this);
    LblURL->setBuddy(LEURL);

    ImgMenu = new QLabel(this);
    Place(ImgMenu, f.ImgMenu);
    ImgMenu->setPixmap(MenuPicture());
    ImgMenu->setCursor(Qt::PointingHandCursor);
    ImgMenu->installEventFilter(this);

    BtnRubi = new QPushButton(this);
    Place(BtnRubi, f.BtnRubi);
    BtnRubi->setFlat(true);

    ProgressBar1 = new QProgressBar(this);
    Place(ProgressBar1, f.ProgressBar1);
    ProgressBar1->setTextVisible(false);

    // Made after the ruby button, so it lies above it.
    LblRubiing = new QLabel(this);
    Place(LblRubiing, f.LblRubiing);
    LblRubiing->setAlignment(Qt::AlignCenter);

    BtnCancel = new QPushButton(this);
    Place(BtnCancel, f.BtnCancel);
    BtnCancel->setFlat(true);

    ComboBoxRubiTitle = new TRubiTitleCombo(this);
    Place(ComboBoxRubiTitle, f.ComboBoxRubiTitle);

    BtnHelp = new QPushButton(this);
    Place(BtnHelp, f.BtnHelp);

    PanelHelp = new QWidget(this);
    Place(PanelHelp, f.PanelHelp);
    PanelHelp->setAttribute(Qt::WA_StyledBackground, true);
    LblHelp = new QLabel(PanelHelp);
    Place(LblHelp, f.LblHelp);
    LblHelp->setWordWrap(true);
    // A Japanese fallback font runs taller than Tahoma; the usage text must fit the panel.
    if (!font().family().startsWith(QStringLiteral("Tahoma"))) {
        QFont small = font();
        small.setPixelSize(12);
        LblHelp->setFont(small);
    }
    LblHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    widgets_ = {{&f.LblURL, LblURL},
                {&f.LEURL, LEURL},
                {&f.ImgMenu, ImgMenu},
                {&f.BtnRubi, BtnRubi},
                {&f.ProgressBar1, ProgressBar1},
                {&f.LblRubiing, LblRubiing},
                {&f.BtnCancel, BtnCancel},
                {&f.ComboBoxRubiTitle, ComboBoxRubiTitle},
                {&f.BtnHelp, BtnHelp},
                {&f.PanelHelp, PanelHelp},
                {&f.LblHelp, LblHelp}};

    connect(LEURL, &QLineEdit::textChanged, this,
            [this](const QString& text) { form_.LEURL.UserEdit(text.toStdU16String()); });
    connect(LEURL, &TURLEdit::mouseEntered, this, [this] { form_.LEURL.MouseEnter(); });
    connect(LEURL, &TURLEdit::urlDropped, this,
            [this](const QString& url) { form_.DropURLTarget1Drop(url.toStdU16String()); });
    connect(BtnRubi, &QPushButton::clicked, this, [this] { form_.BtnRubi.Click(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { form_.BtnCancel.Click(); });
    connect(BtnHelp, &QPushButton::clicked, this, [this] { form_.BtnHelp.Click(); });
    connect(ComboBoxRubiTitle, &QComboBox::activated, this,
            [this](int index) { form_.ComboBoxRubiTitle.Select(index); });
    connect(ComboBoxRubiTitle, &TRubiTitleCombo::closeUp, this,
            [this] { form_.ComboBoxRubiTitle.CloseUp(); });
}

void QtVelmoraForm::BuildMenu(const TMenuItem& model, QMenu* menu) {
    menu->setObjectName(QString::fromStdString(model.Name()));
    menus_[&model] = menu;
    actions_[&model] = menu->menuAction();
    for (const auto& entry : model.Items()) {
        const TMenuItem* item = entry.get();
        QAction* action = nullptr;
        if (!item->Items().empty()) {
            QMenu* sub = menu->addMenu(Q(item->Text()));
            BuildMenu(*item, sub);
            action = sub->menuAction();
        } else if (item->IsSeparator()) {
            action = menu->addSeparator();
        } else {
            action = menu->addAction(Q(item->Text()));
        }
        action->setObjectName(QString::fromStdString(item->Name()));
        action->setCheckable(item->Checkable());
        actions_[item] = action;
        connect(action, &QAction::triggered, this, [this, item] {
            const_cast<TMenuItem*>(item)->Click();
            // The menu shows the logic's checks, not the ones Qt turned over itself.
            if (auto* parent = static_cast<const TMenuItem*>(item->Parent()))
                for (const auto& sibling : parent->Items())
                    ShowMenuItem(*sibling);
        });
    }
}

QAction* QtVelmoraForm::Action(const TMenuItem& item) const {
    auto it = actions_.find(&item);
    return it == actions_.end() ? nullptr : it->second;
}

void QtVelmoraForm::ShowMenuItem(const TMenuItem& item) {
    QAction* action = Action(item);
    if (!action) return;
    if (!item.IsSeparator()) action->setText(Q(item.Text()));
    action->setCheckable(item.Checkable());
    action->setChecked(item.Checked());
    action->setEnabled(item.Enabled());
    action->setVisible(item.Visible());
}

void QtVelmoraForm::ControlChanged(const TControl& control) {
    if (control.kind() == TControl::Kind::MenuItem) {
        ShowMenuItem(static_cast<const TMenuItem&>(control));
        return;
    }
    auto it = widgets_.find(&control);
    if (it == widgets_.end()) return;
    QWidget* widget = it->second;
    const QString text = Q(control.Text());
    switch (control.kind()) {
        case TControl::Kind::Label:
            static_cast<QLabel*>(widget)->setText(text);
            break;
        case TControl::Kind::Button:
            static_cast<QPushButton*>(widget)->setText(text);
            break;
        case TControl::Kind::Edit:
            if (LEURL->text() != text) {
                const QSignalBlocker quiet(LEURL);
                LEURL->setText(text);
            }
            break;
        case TControl::Kind::ProgressBar: {
            const auto& bar = static_cast<const TProgressBar&>(control);
            ProgressBar1->setMaximum(bar.Max());
            ProgressBar1->setValue(bar.Position());
            break;
        }
        case TControl::Kind::ComboBox: {
            const auto& combo = static_cast<const TComboBox&>(control);
            const QSignalBlocker quiet(ComboBoxRubiTitle);
            const auto& items = combo.Items();
            while (ComboBoxRubiTitle->count() > combo.Count())
                ComboBoxRubiTitle->removeItem(ComboBoxRubiTitle->count() - 1);
            for (int i = 0; i < combo.Count(); ++i) {
                const QString itemText = Q(items[static_cast<size_t>(i)].text);
                if (i < ComboBoxRubiTitle->count())
                    ComboBoxRubiTitle->setItemText(i, itemText);
                else
                    ComboBoxRubiTitle->addItem(itemText);
            }
            ComboBoxRubiTitle->setCurrentIndex(combo.ItemIndex());
            break;
        }
        case TControl::Kind::Image:
        case TControl::Kind::Panel:
        case TControl::Kind::MenuItem:
            break;
    }
    widget->setEnabled(control.Enabled());
    widget->setToolTip(Q(control.Hint()));
    widget->setVisible(control.Visible());
}

WindowId QtVelmoraForm::Handle() {
    return static_cast<WindowId>(winId());
}

void QtVelmoraForm::SetClientHeight(int height) {
    setFixedSize(form_.ClientWidth, height);
}

int QtVelmoraForm::FrameWidth() const {
    return frameGeometry().width();
}

void QtVelmoraForm::RestoreAndRaise() {
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
}

bool QtVelmoraForm::ScreenWorkArea(Rect& area) {
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return false;
    const QRect r = s->availableGeometry();
    area = {r.left(), r.top(), r.width(), r.height()};
    return true;
}

void QtVelmoraForm::MoveWindow(int left, int top) {
    move(left, top);
}

void QtVelmoraForm::SetStayOnTop(bool on) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) show();
}

void QtVelmoraForm::SetFocus(const TControl& control) {
    auto it = widgets_.find(&control);
    if (it != widgets_.end()) it->second->setFocus();
}

void QtVelmoraForm::Popup(const TMenuItem& menu, const TControl& at) {
    auto m = menus_.find(&menu);
    auto w = widgets_.find(&at);
    if (m == menus_.end() || w == widgets_.end()) return;
    (void)w;
    // The menu opens with its top left corner at the mouse cursor.
    m->second->popup(QCursor::pos());
}

int QtVelmoraForm::TextWidth(const TControl& control, const std::u16string& text) {
    auto it = widgets_.find(&control);
    const QFontMetrics metrics(it != widgets_.end() ? it->second->font() : font());
    return metrics.horizontalAdvance(Q(text));
}

bool QtVelmoraForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LEURL && event->type() == QEvent::KeyPress && !keyInField_) {
        const int key = VirtualKeyFromToolkitKey(static_cast<QKeyEvent*>(event)->key());
        if (key == 0) return QWidget::eventFilter(watched, event);
        if (key == vk::Return) return form_.LEURL.KeyDown(key);
        // Any other key reaches the field first, so a character it types is there when the
        // window looks at the field (the key capture refuses keys that type).
        keyInField_ = true;
        QCoreApplication::sendEvent(LEURL, event);
        keyInField_ = false;
        form_.LEURL.KeyDown(key);
        return true;
    } else if (watched == ImgMenu && event->type() == QEvent::MouseButtonRelease) {
        form_.ImgMenu.Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void QtVelmoraForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    QTimer::singleShot(0, this, [this] { form_.FormShow(); });
}

void QtVelmoraForm::closeEvent(QCloseEvent* event) {
    if (form_.FormCloseQuery()) {
        event->accept();
        form_.FormDestroy();
    } else {
        event->ignore();
    }
}

}  // namespace velmora
