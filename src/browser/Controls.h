// The controls of a window as the window's logic sees them: plain objects that hold what a
// control shows (text, enabled, visible, place, items, checks) and the handlers its events
// run. A view draws them with a toolkit: it is told of every change through
// TControlView::ControlChanged and forwards the user's actions to Click, UserEdit, Select...
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmora {

class TControl;

// What a toolkit's view of a window implements to hear of its controls' changes.
class TControlView {
public:
    virtual ~TControlView() = default;
    // `control` changed; the view shows its state again.
    virtual void ControlChanged(const TControl& control) = 0;
};

// The place of a control in its parent, in pixels.
struct TBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int Bottom() const { return Top + Height; }
    bool operator==(const TBounds&) const = default;
};

class TControl {
public:
    enum class Kind { Label, Edit, Image, Button, ProgressBar, ComboBox, Panel, MenuItem };

    TControl(Kind kind, std::string name, TBounds bounds = {}, TControl* parent = nullptr)
        : kind_(kind), name_(std::move(name)), bounds_(bounds), parent_(parent) {}
    virtual ~TControl() = default;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    Kind kind() const { return kind_; }
    // The control's name; views name their widgets after it.
    const std::string& Name() const { return name_; }
    const TBounds& Bounds() const { return bounds_; }
    TControl* Parent() const { return parent_; }

    const std::u16string& Text() const { return text_; }
    void SetText(const std::u16string& text);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // The tooltip.
    const std::u16string& Hint() const { return hint_; }
    void SetHint(const std::u16string& hint);

    // The user clicked the control (a button, the menu picture, a menu entry): runs OnClick
    // when the control takes clicks now (enabled and shown).
    virtual void Click();
    std::function<void()> OnClick;

    // Set by the window when its view attaches.
    void AttachView(TControlView* view) { view_ = view; }

protected:
    void Changed();

private:
    Kind kind_;
    std::string name_;
    TBounds bounds_;
    TControl* parent_;
    std::u16string text_;
    std::u16string hint_;
    bool enabled_ = true;
    bool visible_ = true;
    TControlView* view_ = nullptr;
};

// A one-line text field.
class TEdit : public TControl {
public:
    TEdit(std::string name, TBounds bounds, TControl* parent = nullptr)
        : TControl(Kind::Edit, std::move(name), bounds, parent) {}
    // Every change of the text, by the program or the user.
    std::function<void()> OnChange;
    // The pointer entered the field.
    std::function<void()> OnMouseEnter;
    // A key went down in the field (Windows virtual-key code); true when it was consumed.
    std::function<bool(int key)> OnKeyDown;

    // The program sets the text: shown, then OnChange.
    void SetText(const std::u16string& text);
    // The user changed the text in the view (already shown there): OnChange.
    void UserEdit(const std::u16string& text);
    void MouseEnter();
    bool KeyDown(int key);
};

class TProgressBar : public TControl {
public:
    using TControl::TControl;
    int Max() const { return max_; }
    int Position() const { return position_; }
    void SetMax(int max);
    void SetPosition(int position);

private:
    int max_ = 100;
    int position_ = 0;
};

// A drop-down list: each entry with its text and a number of the caller's.
class TComboBox : public TControl {
public:
    struct Item {
        std::u16string text;
        int data = 0;
    };
    using TControl::TControl;

    const std::vector<Item>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }
    void Add(std::u16string text, int data);
    int ItemIndex() const { return index_; }
    void SetItemIndex(int index);

    // The user picked entry `index` in the view.
    void Select(int index);
    // The view's list closed.
    void CloseUp();
    std::function<void(int index)> OnSelect;
    std::function<void()> OnCloseUp;

private:
    std::vector<Item> items_;
    int index_ = -1;
};

// An entry of a menu, or the menu itself (its entries in Items). A tick entry (AutoCheck)
// turns its check over when clicked; an entry of a radio group (GroupIndex > 0) is checked
// when clicked and unchecks the others of its group.
class TMenuItem : public TControl {
public:
    explicit TMenuItem(std::string name, std::u16string caption = {}, TMenuItem* parent = nullptr);

    // A new entry at the end of this menu; the menu owns it.
    TMenuItem& Add(std::string name, std::u16string caption);
    TMenuItem& AddSeparator(std::string name);
    const std::vector<std::unique_ptr<TMenuItem>>& Items() const { return items_; }
    TMenuItem* Find(const std::string& name);

    bool Checked() const { return checked_; }
    void SetChecked(bool on);
    bool AutoCheck = false;
    int GroupIndex = 0;
    bool IsSeparator() const { return separator_; }
    bool Checkable() const { return AutoCheck || GroupIndex > 0; }

    void Click() override;

private:
    std::vector<std::unique_ptr<TMenuItem>> items_;
    bool checked_ = false;
    bool separator_ = false;
};

}  // namespace velmora
