// Each row's pictures are stored side by side in one PNG per display scale (resources/options). The Windows Imaging
// Component decodes a row's strip once; a picture is cut from it and converted to 32-bit BGRA, and when no stored
// scale has exactly the size asked for, the next larger one is shrunk by area averaging in the core. (The imaging
// component's own scaler is not used: Wine's ignores the filter asked for and drops pixels, which turns a thin "0"
// into ")"; the core's averaging gives the same pixels everywhere.)
#include "option_pictures.h"

#include <objbase.h>
#include <wincodec.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/area_resample.h"
#include "core/dialog/option_picture_scales.h"
#include "dib.h"

namespace nivora::win32 {
namespace {

// Owns one reference to a COM object.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& other) : p_(other.p_)
    {
        if (p_)
            p_->AddRef();
    }
    ComPtr& operator=(ComPtr other)
    {
        std::swap(p_, other.p_);
        return *this;
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For the out-parameter of a call that hands over a reference.
    T** put()
    {
        reset();
        return &p_;
    }
    void reset()
    {
        if (p_) {
            p_->Release();
            p_ = nullptr;
        }
    }

private:
    T* p_ = nullptr;
};

// CLSID_WICImagingFactory1, spelled out: SDKs aimed at Windows 8 and later turn CLSID_WICImagingFactory into the
// second factory, which Windows 7 lacks, and declare the first one only for such targets. The first is there on
// every Windows the saver runs on and in Wine.
constexpr GUID kImagingFactory1 = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};

}  // namespace

class OptionPictures::Decoder {
public:
    explicit Decoder(HMODULE module) : module_(module)
    {
        CoCreateInstance(kImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICImagingFactory),
                         reinterpret_cast<void**>(factory_.put()));
    }

    // The picture `element` of the strip of `row` at `percent`, as 32-bit BGRA at its stored size; null on any
    // failure.
    ComPtr<IWICBitmapSource> picture(int row, int element, int32_t percent)
    {
        ComPtr<IWICBitmapSource> none;
        const ComPtr<IWICBitmap> strip = decodedStrip(row, percent);
        const PictureSize stored = storedPictureSize(percent);
        UINT width = 0, height = 0;
        if (!strip || FAILED(strip->GetSize(&width, &height)) ||
            width != static_cast<UINT>(stored.width * optionPictureCount(row)) ||
            height != static_cast<UINT>(stored.height))
            return none;

        ComPtr<IWICBitmapClipper> clipper;
        const WICRect cut{element * stored.width, 0, stored.width, stored.height};
        if (FAILED(factory_->CreateBitmapClipper(clipper.put())) || FAILED(clipper->Initialize(strip.get(), &cut)))
            return none;
        ComPtr<IWICFormatConverter> converter;
        if (FAILED(factory_->CreateFormatConverter(converter.put())) ||
            FAILED(converter->Initialize(clipper.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                         0.0, WICBitmapPaletteTypeCustom)))
            return none;
        ComPtr<IWICBitmapSource> out;
        converter->QueryInterface(__uuidof(IWICBitmapSource), reinterpret_cast<void**>(out.put()));
        return out;
    }

private:
    // The strip decoded from its resource once, and kept: every value of the row is cut from it.
    ComPtr<IWICBitmap> decodedStrip(int row, int32_t percent)
    {
        ComPtr<IWICBitmap>& strip = strips_[{row, percent}];
        if (strip || !factory_)
            return strip;
        const std::string name = optionPictureResource(row, percent);
        HRSRC resource = FindResourceA(module_, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
        HGLOBAL loaded = resource ? LoadResource(module_, resource) : nullptr;
        void* bytes = loaded ? LockResource(loaded) : nullptr;
        const DWORD length = resource ? SizeofResource(module_, resource) : 0;
        if (!bytes || length == 0)
            return strip;
        ComPtr<IWICStream> stream;
        ComPtr<IWICBitmapDecoder> decoder;
        ComPtr<IWICBitmapFrameDecode> frame;
        // The stream reads the resource where it lies: resources stay mapped as long as the module is loaded.
        if (FAILED(factory_->CreateStream(stream.put())) ||
            FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(bytes), length)) ||
            FAILED(factory_->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                     decoder.put())) ||
            FAILED(decoder->GetFrame(0, frame.put())))
            return strip;
        factory_->CreateBitmapFromSource(frame.get(), WICBitmapCacheOnLoad, strip.put());
        return strip;
    }

    HMODULE module_;
    ComPtr<IWICImagingFactory> factory_;
    std::map<std::pair<int, int32_t>, ComPtr<IWICBitmap>> strips_;
};

OptionPictures::OptionPictures(HMODULE module) : module_(module ? module : GetModuleHandleW(nullptr))
{
    // The imaging component is COM; the window thread is a single-threaded apartment. A thread that already chose
    // another apartment keeps it (RPC_E_CHANGED_MODE) and must not be uninitialised by us.
    comInitialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

OptionPictures::~OptionPictures()
{
    decoder_.reset();  // every COM object goes before COM does
    if (comInitialised_)
        CoUninitialize();
}

void OptionPictures::keepOnly(SIZE size)
{
    std::erase_if(pictures_, [&](const auto& entry) {
        return std::get<2>(entry.first) != size.cx || std::get<3>(entry.first) != size.cy;
    });
}

HBITMAP OptionPictures::get(int row, int element, SIZE size)
{
    if (element < 0 || element >= optionPictureCount(row) || size.cx <= 0 || size.cy <= 0)
        return nullptr;
    UniqueHbitmap& bitmap = pictures_[{row, element, size.cx, size.cy}];
    if (bitmap)
        return bitmap.get();
    const std::optional<int32_t> percent = storedScaleFor({size.cx, size.cy});
    if (!percent)
        return nullptr;
    if (!decoder_)
        decoder_ = std::make_unique<Decoder>(module_);
    const ComPtr<IWICBitmapSource> source = decoder_->picture(row, element, *percent);
    if (!source)
        return nullptr;

    // A top-down 32-bit DIB section, as LoadImage with LR_CREATEDIBSECTION gives for the controls to draw.
    const BITMAPINFO info = topDownDibInfo(size.cx, size.cy);
    void* bits = nullptr;
    UniqueHbitmap made(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!made || !bits)
        return nullptr;
    const Surface target{static_cast<Pixel*>(bits), size.cx, size.cy, size.cx};

    const PictureSize stored = storedPictureSize(*percent);
    if (size.cx == stored.width && size.cy == stored.height) {
        if (FAILED(source->CopyPixels(nullptr, static_cast<UINT>(size.cx) * 4, static_cast<UINT>(size.cx * size.cy) * 4,
                                      reinterpret_cast<BYTE*>(target.pixels))))
            return nullptr;
    } else {
        std::vector<Pixel> pixels(static_cast<size_t>(stored.width) * static_cast<size_t>(stored.height));
        if (FAILED(source->CopyPixels(nullptr, static_cast<UINT>(stored.width) * 4,
                                      static_cast<UINT>(pixels.size()) * 4, reinterpret_cast<BYTE*>(pixels.data()))))
            return nullptr;
        resampleByArea(ConstSurface(pixels.data(), stored.width, stored.height, stored.width), target);
    }
    bitmap = std::move(made);
    return bitmap.get();
}

}  // namespace nivora::win32
