// The main window: the state of a run and the handlers of its controls. The handlers stay
// thin; the request, the stores and the desktop services do the work.
#pragma once

#include <QWidget>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Folders.h"
#include "platform/WindowPlacement.h"
#include "ruby/Hooks.h"
#include "ruby/ReadingService.h"
#include "ruby/UserDictionary.h"
#include "settings/IniFile.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;

namespace velmora {

class Downloader;
class RubiPageShower;
class TRubiTitleCombo;
class TURLEdit;

// What the main window is given from outside: the desktop and the services it drives.
struct TVelmoraDeps {
    Folders* folders = nullptr;
    WindowPlacement* placement = nullptr;
    RubiPageShower* shower = nullptr;
    // The TLS library version of the download library; null or empty when it has none.
    std::function<const char*()> tlsVersion;
    ReadingServiceFactory reading;
    // Whether the reading service can work (its dictionary loads); the reason when not.
    std::function<bool(std::string*)> readingAvailable;
    // The desktop's default browser, asked when none is stored.
    DefaultBrowserLookup defaultBrowser;
};

class TVelmoraForm : public QWidget {
    Q_OBJECT

public:
    explicit TVelmoraForm(TVelmoraDeps deps, QWidget* parent = nullptr);
    ~TVelmoraForm() override;

    // The start-up sequence. False when the program has to end (the message was shown).
    bool FormCreate();
    // First show; later shows do nothing.
    void FormShow();
    // The window is about to close: stops a download, deletes this run's pages when
    // wanted. False when a page could not be deleted (the close is abandoned).
    bool FormCloseQuery();
    void FormDestroy();

    // The ruby request of the URL field.
    void BtnRubiClick();
    void BtnCancelClick();
    void BtnHelpClick();
    void LEURLChange();
    void LEURLMouseEnter();
    // Enter in the URL field; true when the key was consumed.
    bool LEURLKeyDown(int key);
    void DropURLTarget1Drop(const QString& url);
    void Timer1Timer();
    void ComboBoxRubiTitleSelect(int index);
    void ComboBoxRubiTitleCloseUp();
    void PMenuExceptRubiClick(int level);
    void AddRubiTitle(int number, const std::vector<std::u16string>& lines);
    void SetHelpText(std::u16string name);
    void ShowRubiPage(const std::u16string& quotedPath);

    // Sets BrowserNo from BrowserExeName.
    void SetBrowserNo();
    // The chosen browser's name in captions and messages.
    std::u16string BrowserDisplayName() const;

    int CollapsedHeight() const;
    int ExpandedHeight() const;

    // ---- State of the run ----
    std::vector<std::u16string> RubiSL;  // the current request keeps its own lines
    bool Rubiing = false;
    std::u16string KanjiString;
    int KanjiCount = 0;
    int TimeCount = 0;
    int RubiHTMLCount = 0;
    WindowId FClipNextHandle = 0;
    std::array<QAction*, 7> MenuExceptRubi{};
    int ExceptRubiLevel = 0;
    std::uint32_t GetBrowserStartTime = 0;
    std::uint32_t SetHotKeyStartTime = 0;
    std::array<std::u16string, 7> BrowserName;
    int BrowserNo = -1;
    std::vector<int> KeyInputs;
    int KeyInputCount = 0;
    bool ClipBoardRubiing = false;
    bool IsURLCopyed = false;
    bool NoForRubi = false;
    std::u16string Folda;
    std::u16string DataFolda;
    bool IsStart = true;
    WindowId BrowserHWND = 0;
    std::u16string BrowserExeName;
    bool IsVista = false;
    int HotKey = 0;
    UserDictionary Dic;
    std::vector<std::u16string>& DicWord = Dic.DicWord;
    std::vector<std::u16string>& DicRubi = Dic.DicRubi;
    int& DicWordCount = Dic.DicWordCount;

private:
    std::unique_ptr<Downloader> DL;  // the HTTP client and its worker, for the whole run

public:
    // Download flags and body, shared with the worker; they live in the downloader.
    std::atomic<bool>& FIsDLCancel;
    std::atomic<bool>& FDownLoadError;
    std::atomic<bool>& IsDownLoading;
    std::string& MS;
    std::u16string& LProtocol;
    std::u16string& LHomeDirectory;

    // ---- Controls ----
    QLabel* LblURL = nullptr;
    TURLEdit* LEURL = nullptr;
    QLabel* ImgMenu = nullptr;
    QPushButton* BtnRubi = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* LblRubiing = nullptr;
    QPushButton* BtnCancel = nullptr;
    TRubiTitleCombo* ComboBoxRubiTitle = nullptr;
    QPushButton* BtnHelp = nullptr;
    QWidget* PanelHelp = nullptr;
    QLabel* LblHelp = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* PMenuBrowser = nullptr;
    QAction* PMenuHotKey = nullptr;
    QAction* PMenuCloseNoRubiTab = nullptr;
    QAction* PMenuNoMoveBrowser = nullptr;
    QAction* PMenuDeleteFile = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    void SetClientHeight(int height);
    void LoadSettings();
    void PMenuTickClick(QAction* entry, bool checked);
    JobHooks Hooks();
    Rect WorkArea();
    void MoveMainWindow(int left, int top);
    void SetTopmost(bool on);
    void EndRequest();
    IniFile Config() const;

    TVelmoraDeps deps_;
    QActionGroup* levelGroup_ = nullptr;
    bool closed_ = false;
};

}  // namespace velmora
