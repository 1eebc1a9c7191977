#pragma once

// Drag-and-drop onto the editor: dropped text and file lists go to the
// frame, shortcut files as the paths they point to.

#include <ole2.h>
#include <windows.h>

#include <cstddef>

namespace brisko {
class Frame;
}

namespace brisko::win32 {

// When `path` names a ".lnk" file (any case) whose target the shell can
// read, writes the target (at most `capacity` characters with the
// terminator) and answers true; otherwise leaves `target` alone.
bool resolveShortcut(const char* path, char* target, size_t capacity);

// The system holds references to it beyond the frame's life (a drag under
// way keeps it): the window tells it when the frame goes, and from then on it
// refuses everything.
class DropTarget final : public IDropTarget {
 public:
  explicit DropTarget(Frame* frame) : owner(frame) {}

  void forgetFrame() {
    owner = nullptr;
    accepting = false;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL where, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override;

 private:
  ~DropTarget() = default;

  bool dropFiles(HDROP files);
  bool dropText(HGLOBAL memory);

  LONG references = 0;
  bool accepting = false;
  Frame* owner;
};

}  // namespace brisko::win32
