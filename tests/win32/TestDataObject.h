#pragma once

// A hand-made IDataObject offering text, a file list, or only an image
// format, as drag sources hand them to drop targets.

#include <ole2.h>
#include <windows.h>

#include <string>
#include <vector>

namespace brisko::wintest {

class TestDataObject final : public IDataObject {
 public:
  static TestDataObject* text(const std::string& bytes);  // no terminator
  static TestDataObject* files(const std::vector<std::string>& names);
  static TestDataObject* image();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

  int dataRequests = 0;

 private:
  TestDataObject(CLIPFORMAT offered, std::vector<char> payload) : format(offered), bytes(std::move(payload)) {}
  ~TestDataObject() = default;

  ULONG references = 1;
  CLIPFORMAT format;
  std::vector<char> bytes;
};

}  // namespace brisko::wintest
