#include "tests/win32/TestDataObject.h"

#include <shlobj.h>

#include <cstring>

namespace brisko::wintest {

TestDataObject* TestDataObject::text(const std::string& text) {
  return new TestDataObject(CF_TEXT, std::vector<char>(text.begin(), text.end()));
}

TestDataObject* TestDataObject::files(const std::vector<std::string>& names) {
  std::vector<char> payload(sizeof(DROPFILES), 0);
  auto* header = reinterpret_cast<DROPFILES*>(payload.data());
  header->pFiles = sizeof(DROPFILES);
  header->fWide = FALSE;
  for (const std::string& name : names) payload.insert(payload.end(), name.c_str(), name.c_str() + name.size() + 1);
  payload.push_back('\0');
  return new TestDataObject(CF_HDROP, std::move(payload));
}

TestDataObject* TestDataObject::image() { return new TestDataObject(CF_DIB, std::vector<char>(64, 0)); }

HRESULT TestDataObject::QueryInterface(REFIID id, void** object) {
  if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDataObject)) {
    AddRef();
    *object = static_cast<IDataObject*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TestDataObject::Release() {
  const ULONG remaining = --references;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT TestDataObject::QueryGetData(FORMATETC* wanted) {
  if (!wanted || wanted->cfFormat != format || !(wanted->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
  return S_OK;
}

HRESULT TestDataObject::GetData(FORMATETC* wanted, STGMEDIUM* medium) {
  if (QueryGetData(wanted) != S_OK) return DV_E_FORMATETC;
  ++dataRequests;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!memory) return E_OUTOFMEMORY;
  std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
  GlobalUnlock(memory);
  medium->tymed = TYMED_HGLOBAL;
  medium->hGlobal = memory;
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

HRESULT TestDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out) out->ptd = nullptr;
  return E_NOTIMPL;
}

HRESULT TestDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) {
  if (direction != DATADIR_GET) return E_NOTIMPL;
  FORMATETC offered{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  return SHCreateStdEnumFmtEtc(1, &offered, formats);
}

}  // namespace brisko::wintest
