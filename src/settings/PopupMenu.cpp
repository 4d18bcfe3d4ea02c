#include "settings/PopupMenu.h"

#include <utility>

namespace velmora {

namespace {

constexpr int kLevelGroup = 1;
constexpr int kStyleGroup = 2;

}  // namespace

TPopupMenu::TPopupMenu()
    : items_{{
          {MenuId::PMenuBrowser, u"PMenuBrowser", u"ルビを表示(ひょうじ)するブラウザ(&B)",
           MenuKind::Command, MenuId::PMenuBrowser},
          {MenuId::PMenuRubiLevel, u"PMenuRubiLevel", u"ルビレベル(&L)", MenuKind::Submenu,
           MenuId::PMenuRubiLevel},
          {MenuId::PMenuExceptRubi0, u"PMenuExceptRubi0",
           u"小学校(しょうがっこう)1年未満(ねんみまん)(&0)", MenuKind::Radio,
           MenuId::PMenuRubiLevel, kLevelGroup, 0, true},
          {MenuId::PMenuExceptRubi1, u"PMenuExceptRubi1", u"小学校(しょうがっこう)1年(ねん)(&1)",
           MenuKind::Radio, MenuId::PMenuRubiLevel, kLevelGroup, 1},
          {MenuId::PMenuExceptRubi2, u"PMenuExceptRubi2", u"小学校(しょうがっこう)2年(ねん)(&2)",
           MenuKind::Radio, MenuId::PMenuRubiLevel, kLevelGroup, 2},
          {MenuId::PMenuExceptRubi3, u"PMenuExceptRubi3", u"小学校(しょうがっこう)3年(ねん)(&3)",
           MenuKind::Radio, MenuId::PMenuRubiLevel, kLevelGroup, 3},
          {MenuId::PMenuExceptRubi4, u"PMenuExceptRubi4", u"小学校(しょうがっこう)4年(ねん)(&4)",
           MenuKind::Radio, MenuId::PMenuRubiLevel, kLevelGroup, 4},
          {MenuId::PMenuExceptRubi5, u"PMenuExceptRubi5", u"小学校(しょうがっこう)5年(ねん)(&5)",
           MenuKind::Radio, MenuId::PMenuRubiLevel, kLevelGroup, 5},
          {MenuId::PMenuExceptRubi6, u"PMenuExceptRubi6", u"小学校(しょうがっこう)6年(ねん)(&6)",
           MenuKind::Radio, MenuId::PMenuRubiLevel, kLevelGroup, 6},
          {MenuId::PMenuRubiStyle, u"PMenuRubiStyle", u"ルビの書(か)き方(かた)(&S)",
           MenuKind::Submenu, MenuId::PMenuRubiStyle},
          {MenuId::PMenuRubiStyle0, u"PMenuRubiStyle0", u"かっこ: 漢字(かんじ)(&P)",
           MenuKind::Radio, MenuId::PMenuRubiStyle, kStyleGroup, 0, true},
          {MenuId::PMenuRubiStyle1, u"PMenuRubiStyle1",
           u"ルビ: 漢字(かんじ)の上(うえ)に小(ちい)さく(&R)", MenuKind::Radio,
           MenuId::PMenuRubiStyle, kStyleGroup, 1},
          {MenuId::PMenuSetDic, u"PMenuSetDic", u"辞書編集(じしょへんしゅう)(&D)",
           MenuKind::Command, MenuId::PMenuSetDic},
          {MenuId::PMenuHotKey, u"PMenuHotKey", u"ルビふりキー:[Shift](&K)", MenuKind::Command,
           MenuId::PMenuHotKey},
          {MenuId::PMenuCloseNoRubiTab, u"PMenuCloseNoRubiTab",
           u"ルビがふられていないタブは閉(と)じる(&T)", MenuKind::Tick,
           MenuId::PMenuCloseNoRubiTab},
          {MenuId::PMenuNoMoveBrowser, u"PMenuNoMoveBrowser",
           u"起動時(きどうじ)ルビふりブラウザの位置(いち)・サイズを変更(へんこう)しない(&M)",
           MenuKind::Tick, MenuId::PMenuNoMoveBrowser},
          {MenuId::PMenuDeleteFile, u"PMenuDeleteFile",
           u"終了時(しゅうりょうじ)にルビふりHTMLファイルを削除(さくじょ)する(&F)", MenuKind::Tick,
           MenuId::PMenuDeleteFile, 0, 0, true},
          {MenuId::N1, u"N1", u"-", MenuKind::Separator, MenuId::N1},
          {MenuId::PMenuHelp, u"PMenuHelp", u"ヘルプ(&H)", MenuKind::Command, MenuId::PMenuHelp},
          {MenuId::PMenuVersion, u"PMenuVersion", u"バージョン情報(じょうほう)(&V)",
           MenuKind::Command, MenuId::PMenuVersion},
      }} {}

void TPopupMenu::SetChecked(MenuId id, bool on) {
    TMenuEntry& item = items_[Index(id)];
    if (item.kind == MenuKind::Radio && on) {
        for (TMenuEntry& other : items_)
            if (other.group == item.group) other.checked = false;
    }
    item.checked = on;
}

void TPopupMenu::SetCaption(MenuId id, std::u16string caption) {
    items_[Index(id)].caption = std::move(caption);
}

MenuId TPopupMenu::ExceptRubi(int level) {
    return static_cast<MenuId>(static_cast<int>(MenuId::PMenuExceptRubi0) + level);
}

MenuId TPopupMenu::RubiStyle(int style) {
    return style == 1 ? MenuId::PMenuRubiStyle1 : MenuId::PMenuRubiStyle0;
}

}  // namespace velmora
