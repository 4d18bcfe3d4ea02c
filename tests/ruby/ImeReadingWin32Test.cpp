// The IME reading service with a fake language object in place of "MSIME.Japan".
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/Text.h"
#include "ruby/ImeReading.h"
#include "ruby/ImeReadingWin32.h"
#include "ruby/RubiEngine.h"
#include "ruby/UserDictionary.h"

namespace velmora {
namespace {

// Counts what is done to it; a reading is the text with each kanji of `kanji` replaced by
// its reading there, or the whole text's entry in `readings`.
class FakeIme final : public IFELanguage {
public:
    std::map<std::u16string, std::wstring> readings;
    std::map<char16_t, std::wstring> kanji;
    HRESULT openResult = S_OK;
    HRESULT phoneticResult = S_OK;
    int refs = 1;
    int opens = 0, closes = 0;
    std::u16string lastText;
    LONG lastStart = 0, lastLength = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == kIidIFELanguage) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE Open() override {
        ++opens;
        return openResult;
    }
    HRESULT STDMETHODCALLTYPE Close() override {
        ++closes;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetJMorphResult(DWORD, DWORD, INT, const WCHAR*, DWORD*,
                                              void**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetConversionModeCaps(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPhonetic(BSTR text, LONG start, LONG length,
                                          BSTR* phonetic) override {
        lastText.assign(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
        lastStart = start;
        lastLength = length;
        if (phoneticResult != S_OK) return phoneticResult;
        auto it = readings.find(lastText);
        std::wstring r;
        if (it != readings.end()) {
            r = it->second;
        } else {
            for (char16_t c : lastText) {
                auto k = kanji.find(c);
                r += k != kanji.end() ? k->second : std::wstring(1, static_cast<wchar_t>(c));
            }
        }
        *phonetic = SysAllocStringLen(r.data(), static_cast<UINT>(r.size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConversion(BSTR, LONG, LONG, BSTR*) override { return E_NOTIMPL; }
};

ImeCreator Giving(FakeIme& fake) {
    return [&fake](IFELanguage** out) {
        fake.AddRef();
        *out = &fake;
        return S_OK;
    };
}

TEST(ImeReading, AsksForTheWholeTextAndReleasesTheObjectAfterTheJob) {
    FakeIme fake;
    fake.readings[u"漢字を"] = std::wstring(L"かんじを\0ごみ", 8);  // read up to the first zero
    {
        auto service = CreateImeReading(Giving(fake));
        ASSERT_TRUE(service->Open());
        std::u16string reading;
        ASSERT_TRUE(service->GetPhonetic(u"漢字を", reading));
        EXPECT_EQ(reading, u"かんじを");
        EXPECT_EQ(fake.lastStart, 1);
        EXPECT_EQ(fake.lastLength, -1);

        // At most 1023 code units go to the object.
        ASSERT_TRUE(service->GetPhonetic(std::u16string(2000, u'あ'), reading));
        EXPECT_EQ(fake.lastText.size(), 1023u);
        EXPECT_EQ(fake.refs, 2);
    }
    EXPECT_EQ(fake.opens, 1);
    EXPECT_EQ(fake.closes, 1);
    EXPECT_EQ(fake.refs, 1) << "the service keeps no reference after its job";
}

TEST(ImeReading, FailuresEndTheJobOrTheOneReading) {
    FakeIme refusing;
    refusing.openResult = E_FAIL;
    {
        auto service = CreateImeReading(Giving(refusing));
        EXPECT_FALSE(service->Open());
        std::u16string reading;
        EXPECT_FALSE(service->GetPhonetic(u"漢字", reading));
    }
    EXPECT_EQ(refusing.closes, 0);
    EXPECT_EQ(refusing.refs, 1);

    auto missing = CreateImeReading([](IFELanguage** out) {
        *out = nullptr;
        return REGDB_E_CLASSNOTREG;
    });
    EXPECT_FALSE(missing->Open());

    FakeIme failing;
    failing.phoneticResult = E_FAIL;
    {
        auto service = CreateImeReading(Giving(failing));
        ASSERT_TRUE(service->Open());
        std::u16string reading = u"before";
        EXPECT_FALSE(service->GetPhonetic(u"漢字", reading));
    }
    EXPECT_EQ(failing.refs, 1);
}

TEST(ImeReading, TheEngineWritesItsReadings) {
    FakeIme fake;
    fake.kanji = {{u'漢', L"かん"}, {u'字', L"じ"}, {u'読', L"よ"}};
    ReadingServiceFactory factory = [&fake] { return CreateImeReading(Giving(fake)); };
    UserDictionary dic;
    const int level = 0;
    RubiEngine engine(factory, level, dic, {});
    std::vector<std::u16string> lines = {u"漢字を読む。"};
    ASSERT_TRUE(engine.DoRubi(lines));
    EXPECT_EQ(ToUtf8(lines[0]), "漢字(かんじ)を読(よ)む。");
    EXPECT_EQ(fake.refs, 1);
}

TEST(ImeReading, MissingLanguageObjectIsReported) {
    // Wine has no IME; a Windows with the Japanese IME has one.
    IFELanguage* real = nullptr;
    if (SUCCEEDED(CreateMsimeJapan(&real))) {
        real->Release();
        GTEST_SKIP() << "this system has the Japanese IME";
    }
    EXPECT_FALSE(ImeReadingAvailable());
    EXPECT_EQ(std::string(kImeUnavailable), "the IME reading service is not available");
}

}  // namespace
}  // namespace velmora
