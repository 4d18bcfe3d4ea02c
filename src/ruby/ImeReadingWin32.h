// The IME language object's interface and the seam the tests use to put a fake in its place.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <functional>
#include <memory>

#include "ruby/ReadingService.h"

namespace velmora {

// IFELanguage as the IME exposes it (only GetPhonetic and Open/Close are used here).
// {019F7152-E6DB-11D0-83C3-00C04FDDB82E}. A COM object ends through Release, never delete.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct IFELanguage : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Open() = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetJMorphResult(DWORD request, DWORD mode, INT length,
                                                      const WCHAR* input, DWORD* info,
                                                      void** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConversionModeCaps(DWORD* caps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPhonetic(BSTR text, LONG start, LONG length,
                                                  BSTR* phonetic) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConversion(BSTR text, LONG start, LONG length,
                                                    BSTR* result) = 0;

protected:
    ~IFELanguage() = default;
};
#pragma GCC diagnostic pop

inline constexpr IID kIidIFELanguage = {
    0x019F7152, 0xE6DB, 0x11D0, {0x83, 0xC3, 0x00, 0xC0, 0x4F, 0xDD, 0xB8, 0x2E}};

// Creates the language object: *object gets an IFELanguage with one reference. The real
// one resolves "MSIME.Japan" and calls CoCreateInstance.
using ImeCreator = std::function<HRESULT(IFELanguage** object)>;
HRESULT CreateMsimeJapan(IFELanguage** object);

std::unique_ptr<ReadingService> CreateImeReading(ImeCreator creator);

}  // namespace velmora
