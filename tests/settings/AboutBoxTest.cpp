// The about box's rules and the bevel label's copies of its caption.
#include <gtest/gtest.h>

#include "base/Text.h"
#include "settings/BevelLabel.h"
#include "settings/TVelmora_VersionForm.h"

namespace velmora {
namespace {

constexpr Rgb kTeal{0x00, 0x80, 0x80};
constexpr Rgb kGray{0x6D, 0x6D, 0x6D};

TEST(BevelLabel, CopiesByBevelType) {
    struct Case {
        const char* name;
        TBevelType type;
        int width;
        std::vector<TextCopy> copies;
    };
    const Rgb light{0x7F, 0xBF, 0xBF};  // teal and white halved
    const Rgb dark{0x00, 0x40, 0x40};   // teal and black halved
    const std::vector<Case> cases = {
        {"right bottom",
         TBevelType::btRightBottom,
         2,
         {{-1, -1, light}, {1, 1, dark}, {2, 2, dark}, {0, 0, kTeal}}},
        {"left bottom",
         TBevelType::btLeftBottom,
         2,
         {{1, -1, light}, {-1, 1, dark}, {-2, 2, dark}, {0, 0, kTeal}}},
        {"left top",
         TBevelType::btLeftTop,
         2,
         {{-2, -2, dark}, {-1, -1, dark}, {1, 1, light}, {0, 0, kTeal}}},
        {"right top",
         TBevelType::btRightTop,
         3,
         {{3, -3, dark}, {2, -2, dark}, {1, -1, dark}, {-1, 1, light}, {0, 0, kTeal}}},
        {"none", TBevelType::btNone, 2, {{0, 0, kTeal}}},
        {"width 0 stored as 1",
         TBevelType::btRightBottom,
         0,
         {{-1, -1, light}, {1, 1, dark}, {0, 0, kTeal}}},
    };
    for (const Case& c : cases) {
        TBevelStyle style;
        style.BevelType = c.type;
        style.BevelWidth = c.width;
        EXPECT_EQ(BevelCopies(style, kTeal, true, kGray), c.copies) << c.name;
    }
}

TEST(BevelLabel, ColoursWithoutBlendingAndWhenDisabled) {
    TBevelStyle style;
    style.ColorBrend = false;
    style.HighLightColor = {1, 2, 3};
    style.ShadowColor = {4, 5, 6};
    const auto copies = BevelCopies(style, kTeal, true, kGray);
    EXPECT_EQ(copies.front().color, (Rgb{1, 2, 3}));
    EXPECT_EQ(copies[1].color, (Rgb{4, 5, 6}));
    // Disabled: white, then grey one pixel up and left, whatever the bevel.
    style.BevelType = TBevelType::btLeftTop;
    EXPECT_EQ(BevelCopies(style, kTeal, false, kGray),
              (std::vector<TextCopy>{{0, 0, {255, 255, 255}}, {-1, -1, kGray}}));
    EXPECT_EQ(BlendColor({255, 255, 255}, {0, 0, 1}), (Rgb{127, 127, 128}));
}

TEST(BevelLabel, FirstAmpersandRemoved) {
    EXPECT_EQ(BevelCaption(u"&File"), u"File");
    EXPECT_EQ(BevelCaption(u"A&&B&C"), u"A&B&C");
    EXPECT_EQ(BevelCaption(u"ヴェルモラ"), u"ヴェルモラ");
}

class FakeVersionView final : public TVelmora_VersionFormView {
public:
    std::u16string caption;
    bool starting = false, lit = true, visible = false;
    int modeless = 0, modal = 0, closes = 0;
    std::vector<std::u16string> messages;
    void SetCaption(const std::u16string& t) override { caption = t; }
    void SetStartingVisible(bool on) override { starting = on; }
    void SetURLLit(bool on) override { lit = on; }
    void ShowModeless() override {
        ++modeless;
        visible = true;
    }
    void ShowModal() override { ++modal; }
    void Close() override {
        ++closes;
        visible = false;
    }
    bool IsVisible() const override { return visible; }
    void Message(const std::u16string& t) override { messages.push_back(t); }
};

TEST(VersionForm, SplashWhileStartingThenAboutBox) {
    FakeVersionView view;
    TVelmora_VersionForm form(view, {});
    form.FormCreate(true);
    EXPECT_EQ(view.caption, u"ヴェルモラ");
    EXPECT_TRUE(view.starting);
    EXPECT_EQ(view.modeless, 1);
    form.EndStart();
    EXPECT_EQ(view.caption, u"ヴェルモラについて");
    EXPECT_FALSE(view.starting);
    EXPECT_EQ(view.closes, 1);
    form.EndStart();  // no longer shown: nothing to close
    EXPECT_EQ(view.closes, 1);
    form.ShowAbout();
    EXPECT_EQ(view.modal, 1);
    EXPECT_FALSE(view.starting);
}

TEST(VersionForm, LinkLightsAndOpens) {
    FakeVersionView view;
    std::vector<std::u16string> opened;
    bool works = true;
    TVelmora_VersionForm form(view, {[&](const std::u16string& url) {
                                  opened.push_back(url);
                                  return works;
                              }});
    form.FormCreate(false);
    EXPECT_FALSE(view.lit);
    form.LblURLMouseEnter();
    EXPECT_TRUE(view.lit);
    form.FormMouseMove();
    EXPECT_FALSE(view.lit);
    form.LblURLClick();
    EXPECT_EQ(opened, std::vector<std::u16string>{SiteURL()});
    EXPECT_TRUE(view.messages.empty());
    works = false;
    form.LblURLClick();
    EXPECT_EQ(view.messages, std::vector<std::u16string>{u"作者サイトへの接続に失敗しました。"});
}

TEST(VersionForm, VersionComesFromTheBuild) {
    EXPECT_EQ(VersionText(), u"Ver " + FromUtf8(VELMORA_TEST_VERSION) + u" ");
    EXPECT_NE(CopyrightText().find(u"Velmora"), std::u16string::npos);
}

}  // namespace
}  // namespace velmora
