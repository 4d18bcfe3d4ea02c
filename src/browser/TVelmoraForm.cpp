#include "browser/TVelmoraForm.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "browser/BrowserCatalogue.h"
#include "browser/RubiPageShower.h"
#include "browser/RubiTitle.h"
#include "browser/Startup.h"
#include "browser/TMessageBox.h"
#include "browser/UrlField.h"
#include "pipeline/Download.h"
#include "pipeline/RubiRequest.h"
#include "ruby/MecabReading.h"
#include "ruby/Text.h"
#include "settings/DicFile.h"

namespace velmora {
namespace {

QString Q(const std::u16string& s) {
    return QString::fromStdU16String(s);
}
std::u16string U16(const QString& s) {
    return s.toStdU16String();
}

// Whether the URL field's text names an address the request can take.
bool IsRubiAddress(const QString& text) {
    const QString head = text.left(4).toLower();
    return head == u"http" || head == u"file";
}

std::u16string Quoted(const std::u16string& path) {
    return u"\"" + path + u"\"";
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

const char16_t* const kLevelCaptions[7] = {
    u"小学校(しょうがっこう)1年未満(ねんみまん)(&0)", u"小学校(しょうがっこう)1年(ねん)(&1)",
    u"小学校(しょうがっこう)2年(ねん)(&2)",           u"小学校(しょうがっこう)3年(ねん)(&3)",
    u"小学校(しょうがっこう)4年(ねん)(&4)",           u"小学校(しょうがっこう)5年(ねん)(&5)",
    u"小学校(しょうがっこう)6年(ねん)(&6)",
};

}  // namespace

TVelmoraForm::TVelmoraForm(TVelmoraDeps deps, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      DL(std::make_unique<Downloader>()),
      FIsDLCancel(DL->FIsDLCancel),
      FDownLoadError(DL->FDownLoadError),
      IsDownLoading(DL->IsDownLoading),
      MS(DL->MS),
      LProtocol(DL->LProtocol),
      LHomeDirectory(DL->LHomeDirectory),
      deps_(std::move(deps)) {
    setObjectName(QStringLiteral("VelmoraForm"));
    setWindowTitle(QStringLiteral("ヴェルモラ"));
    QFont font(QFontDatabase::families().contains(QStringLiteral("Tahoma"))
                   ? QStringLiteral("Tahoma")
                   : QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(13);
    setFont(font);
    BuildControls();
    BuildMenu();
    SetClientHeight(411);

    // The worker reports from its own thread; its news is handled on this one.
    DL->SetNewsCallback([this] {
        QMetaObject::invokeMethod(
            this, [this] { DL->DeliverPending(Hooks()); }, Qt::QueuedConnection);
    });
}

TVelmoraForm::~TVelmoraForm() {
    // The worker is stopped and joined while the window can still take its news.
    DL->SetNewsCallback({});
    // Closing the window hides its controls, and a control may still signal (the history
    // list closing its pop-up) while this object is half destroyed: stop listening first.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void TVelmoraForm::BuildControls() {
    LblURL = new QLabel(QStringLiteral("URL:"), this);
    LblURL->setObjectName(QStringLiteral("LblURL"));
    LblURL->setGeometry(8, 3, 60, 16);

    LEURL = new TURLEdit(this);
    LEURL->setObjectName(QStringLiteral("LEURL"));
    LEURL->setGeometry(8, 20, 273, 24);
    LEURL->setToolTip(QStringLiteral("URL"));
    LEURL->setAcceptDrops(true);
    LEURL->installEventFilter(this);
    LblURL->setBuddy(LEURL);

    ImgMenu = new QLabel(this);
    ImgMenu->setObjectName(QStringLiteral("ImgMenu"));
    ImgMenu->setGeometry(287, 8, 32, 32);
    ImgMenu->setPixmap(MenuPicture());
    ImgMenu->setToolTip(QStringLiteral("メニュー"));
    ImgMenu->setCursor(Qt::PointingHandCursor);
    ImgMenu->installEventFilter(this);

    BtnRubi = new QPushButton(QStringLiteral("ルビふり"), this);
    BtnRubi->setObjectName(QStringLiteral("BtnRubi"));
    BtnRubi->setGeometry(8, 57, 137, 34);
    BtnRubi->setFlat(true);
    BtnRubi->setEnabled(false);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(8, 57, 137, 17);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    LblRubiing = new QLabel(QStringLiteral("ルビふりちゅう"), this);
    LblRubiing->setObjectName(QStringLiteral("LblRubiing"));
    LblRubiing->setGeometry(8, 75, 137, 16);
    LblRubiing->setAlignment(Qt::AlignCenter);
    LblRubiing->hide();

    BtnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(168, 57, 88, 34);
    BtnCancel->setFlat(true);
    BtnCancel->hide();

    ComboBoxRubiTitle = new TRubiTitleCombo(this);
    ComboBoxRubiTitle->setObjectName(QStringLiteral("ComboBoxRubiTitle"));
    ComboBoxRubiTitle->setGeometry(8, 104, 311, 24);
    ComboBoxRubiTitle->addItem(QStringLiteral("以前(いぜん)のルビふり画面(がめん)"), 0);
    ComboBoxRubiTitle->setCurrentIndex(0);
    ComboBoxRubiTitle->setEnabled(false);

    BtnHelp = new QPushButton(QStringLiteral("使(つか)い方(かた)"), this);
    BtnHelp->setObjectName(QStringLiteral("BtnHelp"));
    BtnHelp->setGeometry(8, 135, 311, 25);

    PanelHelp = new QWidget(this);
    PanelHelp->setObjectName(QStringLiteral("PanelHelp"));
    PanelHelp->setAttribute(Qt::WA_StyledBackground, true);
    PanelHelp->setGeometry(8, 165, 311, 235);
    LblHelp = new QLabel(PanelHelp);
    LblHelp->setObjectName(QStringLiteral("LblHelp"));
    LblHelp->setGeometry(3, 2, 305, 231);
    LblHelp->setWordWrap(true);
    // A Japanese fallback font runs taller than Tahoma; the usage text must fit the panel.
    if (!font().family().startsWith(QStringLiteral("Tahoma"))) {
        QFont small = font();
        small.setPixelSize(12);
        LblHelp->setFont(small);
    }
    LblHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    connect(LEURL, &QLineEdit::textChanged, this, [this] { LEURLChange(); });
    connect(LEURL, &TURLEdit::mouseEntered, this, [this] { LEURLMouseEnter(); });
    connect(LEURL, &TURLEdit::urlDropped, this,
            [this](const QString& url) { DropURLTarget1Drop(url); });
    connect(BtnRubi, &QPushButton::clicked, this, [this] { BtnRubiClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
    connect(BtnHelp, &QPushButton::clicked, this, [this] { BtnHelpClick(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(ComboBoxRubiTitle, &QComboBox::activated, this,
            [this](int index) { ComboBoxRubiTitleSelect(index); });
    connect(ComboBoxRubiTitle, &TRubiTitleCombo::closeUp, this,
            [this] { ComboBoxRubiTitleCloseUp(); });
}

void TVelmoraForm::BuildMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PMenuBrowser = PopupMenu1->addAction(QStringLiteral("ルビを表示(ひょうじ)するブラウザ(&B)"));
    PMenuBrowser->setObjectName(QStringLiteral("PMenuBrowser"));
    QMenu* levels = PopupMenu1->addMenu(QStringLiteral("ルビレベル(&L)"));
    levels->setObjectName(QStringLiteral("PMenuRubiLevel"));
    levelGroup_ = new QActionGroup(this);
    levelGroup_->setExclusive(true);
    for (int i = 0; i < 7; ++i) {
        QAction* entry = levels->addAction(Q(kLevelCaptions[i]));
        entry->setObjectName(QStringLiteral("PMenuExceptRubi%1").arg(i));
        entry->setCheckable(true);
        entry->setChecked(i == 0);
        levelGroup_->addAction(entry);
    }
    QAction* setDic = PopupMenu1->addAction(QStringLiteral("辞書編集(じしょへんしゅう)(&D)"));
    setDic->setObjectName(QStringLiteral("PMenuSetDic"));
    PMenuHotKey = PopupMenu1->addAction(QStringLiteral("ルビふりキー:[Shift](&K)"));
    PMenuHotKey->setObjectName(QStringLiteral("PMenuHotKey"));
    PMenuCloseNoRubiTab =
        PopupMenu1->addAction(QStringLiteral("ルビがふられていないタブは閉(と)じる(&T)"));
    PMenuCloseNoRubiTab->setObjectName(QStringLiteral("PMenuCloseNoRubiTab"));
    PMenuNoMoveBrowser = PopupMenu1->addAction(QStringLiteral(
        "起動時(きどうじ)ルビふりブラウザの位置(いち)・サイズを変更(へんこう)しない(&M)"));
    PMenuNoMoveBrowser->setObjectName(QStringLiteral("PMenuNoMoveBrowser"));
    PMenuDeleteFile = PopupMenu1->addAction(
        QStringLiteral("終了時(しゅうりょうじ)にルビふりHTMLファイルを削除(さくじょ)する(&F)"));
    PMenuDeleteFile->setObjectName(QStringLiteral("PMenuDeleteFile"));
    for (QAction* tick : {PMenuCloseNoRubiTab, PMenuNoMoveBrowser, PMenuDeleteFile}) {
        tick->setCheckable(true);
        connect(tick, &QAction::triggered, this,
                [this, tick](bool checked) { PMenuTickClick(tick, checked); });
    }
    PMenuDeleteFile->setChecked(true);
    PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N1"));
    PopupMenu1->addAction(QStringLiteral("ヘルプ(&H)"))->setObjectName(QStringLiteral("PMenuHelp"));
    PopupMenu1->addAction(QStringLiteral("バージョン情報(じょうほう)(&V)"))
        ->setObjectName(QStringLiteral("PMenuVersion"));
}

void TVelmoraForm::SetClientHeight(int height) {
    setFixedSize(335, height);
}
int TVelmoraForm::CollapsedHeight() const {
    return BtnHelp->geometry().bottom() + 1 + 3;
}
int TVelmoraForm::ExpandedHeight() const {
    return PanelHelp->geometry().bottom() + 1 + 5;
}

IniFile TVelmoraForm::Config() const {
    return IniFile(ConfigPath(DataFolda));
}

JobHooks TVelmoraForm::Hooks() {
    JobHooks hooks;
    hooks.pump = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    hooks.stillWanted = [this] { return Rubiing; };
    hooks.progress = [this](int line) { ProgressBar1->setValue(line); };
    hooks.status = [this](const std::u16string& text) { LblRubiing->setText(Q(text)); };
    hooks.message = [this](const std::u16string& text) { TMessageBox::Info(this, Q(text)); };
    return hooks;
}

// ---- Start-up and shutdown ----

bool TVelmoraForm::FormCreate() {
    IsStart = true;
    QCoreApplication::processEvents();

    Folda = deps_.folders->ProgramFolder();
    DataFolda = deps_.folders->Documents() + u"/Quorrin/VelmoraData";
    std::error_code ec;
    std::filesystem::create_directories(PathFromText(DataFolda), ec);
    IsVista = true;

    const std::string missing = MissingTlsLibrary(deps_.tlsVersion ? deps_.tlsVersion() : nullptr);
    if (!missing.empty()) {
        TMessageBox::Info(this, Q(TlsMissingMessage(missing)));
        return false;
    }
    // Without its dictionary no page could get a reading: say which package brings it.
    if (std::string reason; deps_.readingAvailable && !deps_.readingAvailable(&reason)) {
        TMessageBox::Info(this, Q(ReadingMissingMessage(MecabDictionary())));
        return false;
    }

    for (int i = 0; i < 7; ++i) {
        MenuExceptRubi[static_cast<size_t>(i)] = levelGroup_->actions().at(i);
        MenuExceptRubi[static_cast<size_t>(i)]->setData(i);
        connect(MenuExceptRubi[static_cast<size_t>(i)], &QAction::triggered, this,
                [this, i] { PMenuExceptRubiClick(i); });
    }
    for (size_t i = 0; i < BrowserName.size(); ++i)
        BrowserName[i] = kBrowserDisplayNames[i];
    SetClientHeight(CollapsedHeight());

    LoadSettings();

    std::u16string error;
    if (!LoadDictionary(DictionaryPath(DataFolda), Dic, &error)) TMessageBox::Error(this, Q(error));
    return true;
}

void TVelmoraForm::LoadSettings() {
    IniFile ini = Config();
    ConfigLoad load = LoadConfig(ini, deps_.defaultBrowser);
    if (load.alt.repaired) TMessageBox::Info(this, Q(load.alt.message));
    for (const auto& error : load.writeErrors)
        TMessageBox::Error(this, Q(error));

    // The store keeps the level within 0..6; the filter must never see anything else.
    ExceptRubiLevel = std::clamp(load.config.ExceptRubiLevel, 0, 6);
    for (int i = 0; i < 7; ++i)
        MenuExceptRubi[static_cast<size_t>(i)]->setChecked(i == ExceptRubiLevel);
    BrowserExeName = load.config.BrowserExeName;
    HotKey = load.config.HotKey;
    PMenuHotKey->setText(Q(u"ルビふりキー:[" + load.config.HotKeyName + u"](&K)"));
    PMenuDeleteFile->setChecked(load.config.DeleteFile);
    PMenuCloseNoRubiTab->setChecked(load.config.CloseNoRubiTab);
    PMenuNoMoveBrowser->setChecked(load.config.NoMoveBrowser);

    SetBrowserNo();
    PMenuBrowser->setText(Q(BrowserMenuCaption(BrowserDisplayName())));
    if (BrowserNo == kEdgeBrowserNo) {
        TMessageBox::Show(this,
                          QStringLiteral("Microsoft Edge ではルビを振(ふ)った画面(がめん)を"
                                         "表示(ひょうじ)できません。\rルビを表示(ひょうじ)する"
                                         "ブラウザを変更(へんこう)してください。"),
                          QMessageBox::Question);
    }
    SetHelpText(load.config.HotKeyName);
}

void TVelmoraForm::SetBrowserNo() {
    BrowserNo = BrowserNoOf(BrowserExeName);
}

std::u16string TVelmoraForm::BrowserDisplayName() const {
    if (BrowserNo >= 0 && BrowserNo < kBrowserCount)
        return BrowserName[static_cast<size_t>(BrowserNo)];
    return velmora::BrowserDisplayName(BrowserNo, BrowserExeName);
}

void TVelmoraForm::SetHelpText(std::u16string name) {
    if (name.empty()) name = ReadHotKeyName(Config());
    std::u16string text =
        u"表示中(ひょうじちゅう)のブラウザが\r\nFirefox/IE(Windpws10以外(いがい)) "
        u"/Chrome/Opera/Kinza/Sleipnir なら、\r\nそのアドレスバー(URL欄(らん))をクリックしてから[" +
        name +
        u"]キーを押(お)せばルビがふられます。\r\n\r\nすべてのブラウザでアドレスバーのURLを[" +
        name +
        u"]キーを押(お)しながらコピーすればルビがふられます。\r\n\r\n"
        u"URLテキストの左(ひだり)にアイコンがあればそのアイコンを上(うえ)の"
        u"[URL]欄(らん)へドラッグ・ドロップしてもルビがふられます。";
    if (PMenuCloseNoRubiTab->isChecked())
        text += u"(この場合(ばあい)、ルビがふられていないタブは閉(と)じません。)";
    LblHelp->setText(Q(ReplaceAll(text, u"\r\n", u"\n")));
}

void TVelmoraForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (IsStart) QTimer::singleShot(0, this, [this] { FormShow(); });
}

void TVelmoraForm::FormShow() {
    if (!IsStart) return;
    if (!BrowserExeName.empty()) {
        ShowRubiPage(u"");
        QCoreApplication::processEvents();
    } else {
        TMessageBox::Info(this,
                          QStringLiteral("表示(ひょうじ)するブラウザを指定(してい)してください。"));
    }
    IsStart = false;
}

void TVelmoraForm::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) {
        event->accept();
        FormDestroy();
    } else {
        event->ignore();
    }
}

bool TVelmoraForm::FormCloseQuery() {
    if (DL->IsConnected()) DL->BtnCancelClick();
    // A request still annotating stops too, so it writes no page after the clean-up.
    Rubiing = false;
    if (PMenuDeleteFile->isChecked()) {
        for (int i = 1; i <= RubiHTMLCount; ++i) {
            const auto path = PathFromText(RubiPagePath(DataFolda, i));
            std::error_code ec;
            if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) continue;
            if (!std::filesystem::remove(path, ec) || ec) {
                TMessageBox::Error(this, Q(PathText(path)) + QStringLiteral("\n") +
                                             QString::fromStdString(ec.message()));
                return false;
            }
        }
    }
    closed_ = true;
    return true;
}

void TVelmoraForm::FormDestroy() {
    // Nothing is joined at start-up yet that needs leaving here.
}

// ---- The request ----

Rect TVelmoraForm::WorkArea() {
    Rect area;
    if (deps_.placement && deps_.placement->WorkArea(area)) return area;
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect r = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    return {r.left(), r.top(), r.width(), r.height()};
}

void TVelmoraForm::MoveMainWindow(int left, int top) {
    if (!deps_.placement || !deps_.placement->Move(winId(), left, top)) move(left, top);
}

void TVelmoraForm::SetTopmost(bool on) {
    if (deps_.placement && deps_.placement->SetTopmost(winId(), on)) return;
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) show();
}

void TVelmoraForm::BtnRubiClick() {
    if (Rubiing) return;
    const std::u16string url = U16(LEURL->text());
    if (RubiHTMLCount > 0 && IsOwnRubiPage(url, DataFolda, RubiHTMLCount)) {
        TMessageBox::Info(this, QStringLiteral("すでにルビがふられています。"));
        LblRubiing->hide();
        LblHelp->show();
        BtnRubi->show();
        BtnRubi->setEnabled(false);
        return;
    }

    Rubiing = true;
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    const Rect area = WorkArea();
    MoveMainWindow(area.left, area.top);
    SetTopmost(true);
    BtnRubi->hide();
    LblHelp->hide();
    BtnCancel->show();
    LblRubiing->show();
    LblRubiing->raise();
    QCoreApplication::processEvents();

    RubiRequestEnv env;
    env.DataFolda = DataFolda;
    env.RubiHTMLCount = &RubiHTMLCount;
    env.ExceptRubiLevel = &ExceptRubiLevel;
    env.dic = &Dic;
    env.reading = deps_.reading;
    env.downloader = DL.get();
    env.hooks = Hooks();
    env.annotating = [this](int lines) {
        ProgressBar1->setMaximum(std::max(lines, 1));
        ProgressBar1->setValue(0);
        ProgressBar1->show();
        Timer1->start();
    };

    RubiResult result;
    try {
        result = RunRubiRequest(url, env);
    } catch (const std::exception& e) {
        result.outcome = RubiOutcome::Error;
        result.errorText = FromUtf8(e.what());
    }

    if (result.outcome == RubiOutcome::Written) {
        QCoreApplication::processEvents();
        const Rect again = WorkArea();
        MoveMainWindow(again.left, again.top);
        SetTopmost(false);
        const int number = RubiHTMLCount;
        if (closed_) {
            // The window closed while the page was being written: it goes the way of the
            // run's other pages.
            if (PMenuDeleteFile->isChecked()) {
                std::error_code ec;
                std::filesystem::remove(PathFromText(result.pagePath), ec);
            }
        } else {
            ShowRubiPage(Quoted(result.pagePath));
            QCoreApplication::processEvents();
            AddRubiTitle(number, result.RubiSL);
        }
    }
    EndRequest();
    if (result.outcome == RubiOutcome::Error) TMessageBox::Error(this, Q(result.errorText));
}

void TVelmoraForm::EndRequest() {
    Rubiing = false;
    RubiSL.clear();
    ProgressBar1->hide();
    LblRubiing->hide();
    BtnCancel->hide();
    BtnRubi->setText(QStringLiteral("ルビふりおわり"));
    BtnRubi->show();
    BtnRubi->setEnabled(false);
    LblHelp->show();
    Timer1->stop();

    const Rect area = WorkArea();
    const int width = frameGeometry().width();
    int left = area.left;
    Rect browser;
    if (BrowserHWND != 0 && deps_.placement && deps_.placement->WindowRect(BrowserHWND, browser) &&
        browser.left >= area.left + width)
        left = browser.left - width;
    MoveMainWindow(left, area.top);
    SetTopmost(false);
}

void TVelmoraForm::BtnCancelClick() {
    DL->BtnCancelClick();
    Rubiing = false;
}

void TVelmoraForm::ShowRubiPage(const std::u16string& quotedPath) {
    if (deps_.shower) BrowserHWND = deps_.shower->ShowRubiPage(quotedPath, IsStart);
}

void TVelmoraForm::Timer1Timer() {
    if (Rubiing) {
        BtnRubi->setEnabled(false);
        TimeCount = TimeCount % 5 + 1;
        LblRubiing->setText(QStringLiteral("ルビふりちゅう") + QString(TimeCount, u'.'));
        return;
    }
    if (GetBrowserStartTime == 0 && SetHotKeyStartTime == 0) Timer1->stop();
}

// ---- URL field ----

void TVelmoraForm::LEURLChange() {
    if (IsRubiAddress(LEURL->text())) {
        BtnRubi->setText(QStringLiteral("ルビふり"));
        BtnRubi->setEnabled(true);
    }
}

void TVelmoraForm::LEURLMouseEnter() {
    LEURL->setToolTip(LEURL->text());
}

bool TVelmoraForm::LEURLKeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    if (!IsRubiAddress(LEURL->text())) return false;
    // A second request never starts while one runs.
    if (!Rubiing) BtnRubiClick();
    return true;
}

void TVelmoraForm::DropURLTarget1Drop(const QString& url) {
    if (Rubiing) return;
    LEURL->setText(url);
    // Run after the drop has been answered, so the drag source is not kept waiting.
    QTimer::singleShot(0, this, [this] {
        if (!Rubiing) BtnRubiClick();
    });
}

bool TVelmoraForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LEURL && event->type() == QEvent::KeyPress) {
        if (LEURLKeyDown(static_cast<QKeyEvent*>(event)->key())) return true;
    } else if (watched == ImgMenu && event->type() == QEvent::MouseButtonRelease) {
        PopupMenu1->popup(ImgMenu->mapToGlobal(QPoint(0, ImgMenu->height())));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- History ----

void TVelmoraForm::AddRubiTitle(int number, const std::vector<std::u16string>& lines) {
    const QFontMetrics metrics(ComboBoxRubiTitle->font());
    const int limit = ComboBoxRubiTitle->width() - 10;
    const std::u16string entry = RubiTitleEntry(lines, number, [&](const std::u16string& t) {
        return metrics.horizontalAdvance(Q(t)) <= limit;
    });
    ComboBoxRubiTitle->addItem(Q(entry), number);
    ComboBoxRubiTitle->setEnabled(true);
}

void TVelmoraForm::ComboBoxRubiTitleSelect(int index) {
    if (index <= 0) return;
    const int number = ComboBoxRubiTitle->itemData(index).toInt();
    ShowRubiPage(Quoted(RubiPagePath(DataFolda, number)));
    ComboBoxRubiTitle->setCurrentIndex(0);
}

void TVelmoraForm::ComboBoxRubiTitleCloseUp() {
    LEURL->setFocus();
}

// ---- Menu ----

void TVelmoraForm::BtnHelpClick() {
    SetClientHeight(height() == CollapsedHeight() ? ExpandedHeight() : CollapsedHeight());
}

void TVelmoraForm::PMenuExceptRubiClick(int level) {
    if (IsStart || level == ExceptRubiLevel) {
        MenuExceptRubi[static_cast<size_t>(ExceptRubiLevel)]->setChecked(true);
        return;
    }
    ExceptRubiLevel = level;
    MenuExceptRubi[static_cast<size_t>(level)]->setChecked(true);
    IniFile ini = Config();
    std::u16string error;
    if (!WriteExceptRubiLevel(ini, level, &error)) {
        TMessageBox::Error(this, Q(error));
        return;
    }
    QCoreApplication::processEvents();
    // The new level applies to the running request's later lines; no second one starts.
    if (!Rubiing && IsRubiAddress(LEURL->text())) BtnRubiClick();
}

void TVelmoraForm::PMenuTickClick(QAction* entry, bool checked) {
    if (IsStart) {
        entry->setChecked(!checked);
        return;
    }
    if (entry == PMenuCloseNoRubiTab) SetHelpText(u"");
    IniFile ini = Config();
    std::u16string error;
    bool ok = entry == PMenuDeleteFile       ? WriteDeleteFile(ini, checked, &error)
              : entry == PMenuCloseNoRubiTab ? WriteCloseNoRubiTab(ini, checked, &error)
                                             : WriteNoMoveBrowser(ini, checked, &error);
    if (!ok) TMessageBox::Error(this, Q(error));
}

}  // namespace velmora
