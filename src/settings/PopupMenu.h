// The main window's pop-up menu as data: its entries in order with their captions (access
// keys after "&"), kinds, radio groups and ticks. The toolkit draws it from here each time it
// opens; the handlers change ticks and captions here.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace velmora {

enum class MenuId {
    PMenuBrowser,
    PMenuRubiLevel,
    PMenuExceptRubi0,
    PMenuExceptRubi1,
    PMenuExceptRubi2,
    PMenuExceptRubi3,
    PMenuExceptRubi4,
    PMenuExceptRubi5,
    PMenuExceptRubi6,
    PMenuRubiStyle,
    PMenuRubiStyle0,
    PMenuRubiStyle1,
    PMenuSetDic,
    PMenuHotKey,
    PMenuCloseNoRubiTab,
    PMenuNoMoveBrowser,
    PMenuDeleteFile,
    N1,
    PMenuHelp,
    PMenuVersion,
};
inline constexpr int kMenuCount = static_cast<int>(MenuId::PMenuVersion) + 1;

enum class MenuKind { Command, Submenu, Radio, Tick, Separator };

struct TMenuEntry {
    MenuId id;
    std::u16string_view name;  // the entry's component name
    std::u16string caption;
    MenuKind kind;
    MenuId parent;  // the submenu holding it; itself for a top-level entry
    int group = 0;  // radio group (0 = none)
    int tag = 0;    // a level entry's level, a style entry's style
    bool checked = false;
};

class TPopupMenu {
public:
    // The designed initial state.
    TPopupMenu();

    // Every entry, in menu order; a submenu's entries follow it.
    const std::array<TMenuEntry, kMenuCount>& Items() const { return items_; }
    const TMenuEntry& Item(MenuId id) const { return items_[Index(id)]; }
    bool IsTopLevel(MenuId id) const { return Item(id).parent == id; }

    bool Checked(MenuId id) const { return Item(id).checked; }
    // Ticking a radio entry unticks the others of its group.
    void SetChecked(MenuId id, bool on);
    const std::u16string& Caption(MenuId id) const { return Item(id).caption; }
    void SetCaption(MenuId id, std::u16string caption);

    // The level entry for `level` 0..6, and the style entry for 0..1.
    static MenuId ExceptRubi(int level);
    static MenuId RubiStyle(int style);

private:
    static size_t Index(MenuId id) { return static_cast<size_t>(id); }
    std::array<TMenuEntry, kMenuCount> items_;
};

}  // namespace velmora
