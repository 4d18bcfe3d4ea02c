#include "settings/TVelmora_VersionForm.h"

#include <utility>

#include "base/Text.h"

#if !defined(VELMORA_VERSION) || !defined(VELMORA_SITE_URL)
#error "VELMORA_VERSION and VELMORA_SITE_URL come from CMake"
#endif

namespace velmora {

std::u16string VersionText() {
    return u"Ver " + FromUtf8(VELMORA_VERSION) + u" ";
}

std::u16string CopyrightText() {
    return u"© 2026 The Velmora Project";
}

std::u16string SiteURL() {
    return FromUtf8(VELMORA_SITE_URL);
}

TVelmora_VersionForm::TVelmora_VersionForm(TVelmora_VersionFormView& view,
                                           TVelmora_VersionFormDeps deps)
    : view_(view), deps_(std::move(deps)) {}

void TVelmora_VersionForm::FormCreate(bool IsStart) {
    SetURLLit(false);
    if (!IsStart) {
        view_.SetStartingVisible(false);
        view_.SetCaption(std::u16string(kVersionCaption));
        return;
    }
    view_.SetStartingVisible(true);
    view_.SetCaption(std::u16string(kStartingCaption));
    view_.ShowModeless();
}

void TVelmora_VersionForm::EndStart() {
    view_.SetStartingVisible(false);
    view_.SetCaption(std::u16string(kVersionCaption));
    if (view_.IsVisible()) view_.Close();
}

void TVelmora_VersionForm::ShowAbout() {
    view_.SetStartingVisible(false);
    view_.SetCaption(std::u16string(kVersionCaption));
    SetURLLit(false);
    view_.ShowModal();
}

void TVelmora_VersionForm::SetURLLit(bool on) {
    URLLit = on;
    view_.SetURLLit(on);
}

void TVelmora_VersionForm::FormMouseMove() {
    SetURLLit(false);
}

void TVelmora_VersionForm::LblURLMouseEnter() {
    SetURLLit(true);
}

void TVelmora_VersionForm::LblURLClick() {
    if (!deps_.openURL || !deps_.openURL(SiteURL())) view_.Message(std::u16string(kSiteFailed));
}

}  // namespace velmora
