#include "gui/win32/DropTarget.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "gui/Frame.h"

namespace brisko::win32 {

namespace {

constexpr size_t kNameCapacity = 1024;
constexpr int kWideCapacity = 2048;
// No user interface, any match; half a second for the search.
constexpr DWORD kResolveFlags = DWORD{SLR_NO_UI} | DWORD{SLR_ANY_MATCH} | (500u << 16);

enum : int32_t { kDropFiles = 0, kDropText = 1 };

FORMATETC formatOf(CLIPFORMAT format) { return {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

bool hasShortcutExtension(const char* path) {
  const char* dot = std::strrchr(path, '.');
  return dot && lstrcmpiA(dot, ".lnk") == 0;
}

DWORD effectFor(bool accepting, DWORD keys) {
  if (!accepting) return DROPEFFECT_NONE;
  return (keys & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

}  // namespace

bool resolveShortcut(const char* path, char* target, size_t capacity) {
  if (!path || !target || capacity == 0 || !hasShortcutExtension(path)) return false;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  bool resolved = false;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR widePath[kWideCapacity];
    char found[MAX_PATH * 4] = {};
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kWideCapacity) > 0 &&
        SUCCEEDED(file->Load(widePath, STGM_READ)) && SUCCEEDED(link->Resolve(nullptr, kResolveFlags)) &&
        link->GetPath(found, static_cast<int>(sizeof found), nullptr, SLGP_SHORTPATH) == S_OK && found[0] &&
        std::strlen(found) < capacity) {
      std::memcpy(target, found, std::strlen(found) + 1);
      resolved = true;
    }
    file->Release();
  }
  link->Release();
  return resolved;
}

HRESULT DropTarget::QueryInterface(REFIID id, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
    AddRef();
    *object = static_cast<IDropTarget*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references)); }

ULONG DropTarget::Release() {
  const LONG remaining = InterlockedDecrement(&references);
  if (remaining <= 0) delete this;
  return static_cast<ULONG>(remaining < 0 ? 0 : remaining);
}

HRESULT DropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) {
  accepting = false;
  if (data && owner) {
    FORMATETC text = formatOf(CF_TEXT);
    FORMATETC files = formatOf(CF_HDROP);
    accepting = data->QueryGetData(&text) == S_OK || data->QueryGetData(&files) == S_OK;
  }
  if (accepting) return DragOver(keys, where, effect);
  if (effect) *effect = DROPEFFECT_NONE;
  return S_OK;
}

HRESULT DropTarget::DragOver(DWORD keys, POINTL, DWORD* effect) {
  if (effect) *effect = effectFor(accepting, keys);
  return S_OK;
}

HRESULT DropTarget::DragLeave() { return S_OK; }

HRESULT DropTarget::Drop(IDataObject* data, DWORD keys, POINTL, DWORD* effect) {
  bool taken = false;
  if (owner && data) {
    STGMEDIUM medium{};
    FORMATETC text = formatOf(CF_TEXT);
    FORMATETC files = formatOf(CF_HDROP);
    // Nothing may unwind into the system's drag loop.
    try {
      if (data->GetData(&text, &medium) == S_OK) {
        if (medium.tymed == TYMED_HGLOBAL) taken = dropText(medium.hGlobal);
        ReleaseStgMedium(&medium);
      } else if (data->GetData(&files, &medium) == S_OK) {
        if (medium.tymed == TYMED_HGLOBAL) taken = dropFiles(static_cast<HDROP>(medium.hGlobal));
        ReleaseStgMedium(&medium);
      }
    } catch (...) {
      ReleaseStgMedium(&medium);
      taken = false;
    }
  }
  // A refused drop must not read as a move, or the source would delete
  // what was dragged.
  if (effect) *effect = effectFor(taken, keys);
  DragLeave();
  return S_OK;
}

bool DropTarget::dropFiles(HDROP files) {
  const UINT count = DragQueryFileA(files, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::string> names;
  for (UINT i = 0; i < count; ++i) {
    char name[kNameCapacity];
    if (DragQueryFileA(files, i, name, kNameCapacity) == 0) continue;
    char target[kNameCapacity];
    names.emplace_back(resolveShortcut(name, target, sizeof target) ? target : name);
  }
  std::vector<const char*> items;
  for (const std::string& name : names) items.push_back(name.c_str());
  Point where;
  owner->mousePositionInFrame(where);
  return owner->onDrop(items.data(), static_cast<int32_t>(items.size()), kDropFiles, where);
}

bool DropTarget::dropText(HGLOBAL memory) {
  const auto* text = static_cast<const char*>(GlobalLock(memory));
  const SIZE_T size = GlobalSize(memory);
  bool taken = false;
  if (text && size) {
    // The data need not end in a terminator; receivers get a terminated copy.
    std::string copy(text, size);
    const char* items[] = {copy.c_str()};
    Point where;
    owner->mousePositionInFrame(where);
    taken = owner->onDrop(items, static_cast<int32_t>(size), kDropText, where);
  }
  if (text) GlobalUnlock(memory);
  return taken;
}

}  // namespace brisko::win32
