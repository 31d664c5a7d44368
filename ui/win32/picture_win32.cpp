#include "ui/win32/picture_win32.h"

#include <wincodec.h>

#include <stdexcept>
#include <vector>

namespace {

Com<IWICImagingFactory> Factory() {
  Com<IWICImagingFactory> factory;
  ComCheck("CoCreateInstance(WICImagingFactory)",
           CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                            IID_IWICImagingFactory, factory.OutVoid()));
  return factory;
}

// The bytes of an RCDATA resource of the program file; they live as long as the program.
std::pair<const BYTE*, DWORD> ResourceBytes(TextView name) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, W(name).c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  if (!loaded) {
    throw std::runtime_error("Cannot find the picture \"" + TextToUtf8(name) +
                             "\" in the program's resources: " + SystemMessage(GetLastError()));
  }
  return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
}

HBITMAP DibSection(UINT width, UINT height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
  if (!bitmap)
    throw std::runtime_error("CreateDIBSection failed: " + SystemMessage(GetLastError()));
  return bitmap;
}

// Premultiplied BGRA drawn onto an opaque colour.
void Flatten(BYTE* pixels, size_t count, COLORREF background) {
  const BYTE under[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
  for (BYTE* p = pixels; p != pixels + count * 4; p += 4) {
    for (int c = 0; c < 3; ++c) p[c] = static_cast<BYTE>(p[c] + under[c] * (255 - p[3]) / 255);
    p[3] = 255;
  }
}

}  // namespace

HBITMAP PictureLoad(TextView name, int dpi, std::optional<COLORREF> background) {
  // Above 96 dpi the picture drawn at twice the size is the source, where the program has one.
  const Text sharp = Text(name) + u"_2x";
  const bool fromSharp =
      dpi > 96 && FindResourceW(GetModuleHandleW(nullptr), W(sharp).c_str(), MAKEINTRESOURCEW(10));
  const int sourceDpi = fromSharp ? 192 : 96;
  auto [bytes, size] = ResourceBytes(fromSharp ? TextView(sharp) : name);
  Com<IWICImagingFactory> factory = Factory();
  Com<IWICStream> stream;
  ComCheck("IWICImagingFactory::CreateStream", factory->CreateStream(stream.Out()));
  ComCheck("IWICStream::InitializeFromMemory",
           stream->InitializeFromMemory(const_cast<BYTE*>(bytes), size));
  Com<IWICBitmapDecoder> decoder;
  ComCheck("IWICImagingFactory::CreateDecoderFromStream",
           factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                            decoder.Out()));
  Com<IWICBitmapFrameDecode> frame;
  ComCheck("IWICBitmapDecoder::GetFrame", decoder->GetFrame(0, frame.Out()));
  Com<IWICBitmapSource> converted;
  ComCheck("WICConvertBitmapSource",
           WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.get(), converted.Out()));
  UINT width = 0, height = 0;
  ComCheck("IWICBitmapSource::GetSize", converted->GetSize(&width, &height));
  IWICBitmapSource* source = converted.get();
  Com<IWICBitmapScaler> scaler;
  if (dpi != sourceDpi) {
    // Fant interpolation: a smooth picture at every scale, smaller ones too.
    ComCheck("IWICImagingFactory::CreateBitmapScaler", factory->CreateBitmapScaler(scaler.Out()));
    width = static_cast<UINT>(MulDiv(static_cast<int>(width), dpi, sourceDpi));
    height = static_cast<UINT>(MulDiv(static_cast<int>(height), dpi, sourceDpi));
    ComCheck("IWICBitmapScaler::Initialize",
             scaler->Initialize(converted.get(), width, height, WICBitmapInterpolationModeFant));
    source = scaler.get();
  }
  void* bits = nullptr;
  HBITMAP bitmap = DibSection(width, height, &bits);
  HRESULT copied =
      source->CopyPixels(nullptr, width * 4, width * height * 4, static_cast<BYTE*>(bits));
  if (FAILED(copied)) {
    DeleteObject(bitmap);
    ComCheck("IWICBitmapSource::CopyPixels", copied);
  }
  if (background) Flatten(static_cast<BYTE*>(bits), size_t{width} * height, *background);
  return bitmap;
}

bool WindowPictureSave(HWND window, TextView pngPath) {
  RECT client{};
  if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) return false;
  auto width = static_cast<UINT>(client.right), height = static_cast<UINT>(client.bottom);
  try {
    void* bits = nullptr;
    HBITMAP bitmap = DibSection(width, height, &bits);
    HDC source = GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BOOL copied = BitBlt(memory, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<BYTE> pixels(static_cast<BYTE*>(bits),
                             static_cast<BYTE*>(bits) + width * height * 4);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(window, source);
    DeleteObject(bitmap);
    if (!copied) return false;

    Com<IWICImagingFactory> factory = Factory();
    Com<IWICStream> stream;
    ComCheck("IWICImagingFactory::CreateStream", factory->CreateStream(stream.Out()));
    ComCheck("IWICStream::InitializeFromFilename",
             stream->InitializeFromFilename(W(pngPath).c_str(), GENERIC_WRITE));
    Com<IWICBitmapEncoder> encoder;
    ComCheck("IWICImagingFactory::CreateEncoder",
             factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out()));
    ComCheck("IWICBitmapEncoder::Initialize",
             encoder->Initialize(stream.get(), WICBitmapEncoderNoCache));
    Com<IWICBitmapFrameEncode> frame;
    ComCheck("IWICBitmapEncoder::CreateNewFrame", encoder->CreateNewFrame(frame.Out(), nullptr));
    ComCheck("IWICBitmapFrameEncode::Initialize", frame->Initialize(nullptr));
    ComCheck("IWICBitmapFrameEncode::SetSize", frame->SetSize(width, height));
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    ComCheck("IWICBitmapFrameEncode::SetPixelFormat", frame->SetPixelFormat(&format));
    Com<IWICBitmap> picture;
    ComCheck("IWICImagingFactory::CreateBitmapFromMemory",
             factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat32bppBGR, width * 4,
                                             static_cast<UINT>(pixels.size()), pixels.data(),
                                             picture.Out()));
    ComCheck("IWICBitmapFrameEncode::WriteSource", frame->WriteSource(picture.get(), nullptr));
    ComCheck("IWICBitmapFrameEncode::Commit", frame->Commit());
    ComCheck("IWICBitmapEncoder::Commit", encoder->Commit());
    return true;
  } catch (const std::exception&) {
    return false;
  }
}
