// The IME language object through COM, with every COM resource held by an owner that
// releases it on every path.
#include "ruby/ImeReadingWin32.h"

#include <oleauto.h>

#include <utility>

#include "ruby/ImeReading.h"

namespace velmora {
namespace {

// COM for the calling thread while the object lives; undone only when this object did it.
class ComApartment {
public:
    ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    // Usable also when another part of the program initialised COM differently.
    bool Ok() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

// One reference to a COM object.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** Out() {
        Reset();
        return &p_;
    }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// A BSTR owned here.
class Bstr {
public:
    Bstr() = default;
    Bstr(const wchar_t* text, UINT length) : s_(SysAllocStringLen(text, length)) {}
    ~Bstr() { SysFreeString(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return s_; }
    BSTR* Out() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }

private:
    BSTR s_ = nullptr;
};

// The longest text handed to the object at once, in UTF-16 code units.
constexpr size_t kMaxText = 1023;

class ImeReading final : public ReadingService {
public:
    explicit ImeReading(ImeCreator creator) : creator_(std::move(creator)) {}
    ~ImeReading() override {
        if (opened_) ime_->Close();
    }

    bool Open() override {
        if (!com_.Ok() || FAILED(creator_(ime_.Out())) || !ime_) return false;
        if (ime_->Open() != S_OK) {
            ime_.Reset();
            return false;
        }
        opened_ = true;
        return true;
    }

    bool GetPhonetic(std::u16string_view text, std::u16string& reading) override {
        if (!opened_) return false;
        text = text.substr(0, kMaxText);
        Bstr in(reinterpret_cast<const wchar_t*>(text.data()), static_cast<UINT>(text.size()));
        Bstr out;
        if (!in.Get() || ime_->GetPhonetic(in.Get(), 1, -1, out.Out()) != S_OK) return false;
        const wchar_t* r = out.Get();
        reading.clear();
        for (size_t i = 0; r && r[i] != L'\0'; ++i)  // up to the first zero
            reading.push_back(static_cast<char16_t>(r[i]));
        return true;
    }

private:
    ComApartment com_;  // first in, last out: the object goes before COM does
    ImeCreator creator_;
    ComRef<IFELanguage> ime_;
    bool opened_ = false;
};

}  // namespace

HRESULT CreateMsimeJapan(IFELanguage** object) {
    CLSID clsid;
    const HRESULT hr = CLSIDFromString(L"MSIME.Japan", &clsid);
    if (FAILED(hr)) return hr;
    return CoCreateInstance(clsid, nullptr,
                            CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                            kIidIFELanguage, reinterpret_cast<void**>(object));
}

std::unique_ptr<ReadingService> CreateImeReading(ImeCreator creator) {
    return std::make_unique<ImeReading>(std::move(creator));
}

std::unique_ptr<ReadingService> CreateImeReading() {
    return CreateImeReading(&CreateMsimeJapan);
}

ReadingServiceFactory ImeReadingFactory() {
    return [] { return CreateImeReading(); };
}

bool ImeReadingAvailable() {
    return CreateImeReading()->Open();
}

}  // namespace velmora
