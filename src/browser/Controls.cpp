#include "browser/Controls.h"

#include <algorithm>

namespace velmora {

void TControl::Changed() {
    if (view_) view_->ControlChanged(*this);
}

void TControl::SetText(const std::u16string& text) {
    if (text_ == text) return;
    text_ = text;
    Changed();
}

void TControl::SetEnabled(bool on) {
    if (enabled_ == on) return;
    enabled_ = on;
    Changed();
}

void TControl::SetVisible(bool on) {
    if (visible_ == on) return;
    visible_ = on;
    Changed();
}

void TControl::SetHint(const std::u16string& hint) {
    if (hint_ == hint) return;
    hint_ = hint;
    Changed();
}

void TControl::Click() {
    if (enabled_ && visible_ && OnClick) OnClick();
}

// ---- TEdit ----

void TEdit::SetText(const std::u16string& text) {
    if (text == Text()) return;
    TControl::SetText(text);
    if (OnChange) OnChange();
}

void TEdit::UserEdit(const std::u16string& text) {
    SetText(text);
}

void TEdit::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter();
}

bool TEdit::KeyDown(int key) {
    return OnKeyDown && OnKeyDown(key);
}

// ---- TProgressBar ----

void TProgressBar::SetMax(int max) {
    if (max_ == max) return;
    max_ = max;
    Changed();
}

void TProgressBar::SetPosition(int position) {
    position = std::clamp(position, 0, max_);
    if (position_ == position) return;
    position_ = position;
    Changed();
}

// ---- TComboBox ----

void TComboBox::Add(std::u16string text, int data) {
    items_.push_back({std::move(text), data});
    if (index_ < 0) index_ = 0;
    Changed();
}

void TComboBox::SetItemIndex(int index) {
    if (index < -1 || index >= Count() || index == index_) return;
    index_ = index;
    Changed();
}

void TComboBox::Select(int index) {
    if (index < 0 || index >= Count()) return;
    index_ = index;
    if (OnSelect) OnSelect(index);
}

void TComboBox::CloseUp() {
    if (OnCloseUp) OnCloseUp();
}

// ---- TMenuItem ----

TMenuItem::TMenuItem(std::string name, std::u16string caption, TMenuItem* parent)
    : TControl(Kind::MenuItem, std::move(name), {}, parent) {
    TControl::SetText(caption);
}

TMenuItem& TMenuItem::Add(std::string name, std::u16string caption) {
    items_.push_back(std::make_unique<TMenuItem>(std::move(name), std::move(caption), this));
    return *items_.back();
}

TMenuItem& TMenuItem::AddSeparator(std::string name) {
    TMenuItem& entry = Add(std::move(name), u"-");
    entry.separator_ = true;
    return entry;
}

TMenuItem* TMenuItem::Find(const std::string& name) {
    if (Name() == name) return this;
    for (auto& item : items_)
        if (TMenuItem* found = item->Find(name)) return found;
    return nullptr;
}

void TMenuItem::SetChecked(bool on) {
    if (on && GroupIndex > 0) {
        if (auto* menu = static_cast<TMenuItem*>(Parent())) {
            for (auto& other : menu->items_) {
                if (other.get() != this && other->GroupIndex == GroupIndex && other->checked_) {
                    other->checked_ = false;
                    other->Changed();
                }
            }
        }
    }
    if (checked_ == on) return;
    checked_ = on;
    Changed();
}

void TMenuItem::Click() {
    if (!Enabled() || !Visible() || separator_) return;
    if (GroupIndex > 0)
        SetChecked(true);
    else if (AutoCheck)
        SetChecked(!checked_);
    if (OnClick) OnClick();
}

}  // namespace velmora
