#pragma once

#include <cstdint>
#include <memory>

#include "gui/Platform.h"
#include "gui/View.h"

namespace brisko {

class Bitmap;
class FrameEditor;

// The top view: owns the child views and the background, lives in a child
// window of the host's window, routes events to its children and redraws
// dirty ones at idle time. Children draw in the order they were added;
// events try them from the last added to the first.
class Frame : public View {
 public:
  static constexpr int32_t kCapacityStep = 20;

  // Without a parent window no child window is created.
  Frame(const Rect& size, NativeWindow parent, FrameEditor* editor, Platform& platform);
  ~Frame() override;

  // Background, then every child whole.
  void draw(DrawContext* context) override;
  // The background under `rect`, then every child that overlaps it.
  void drawRect(DrawContext* context, const Rect& rect) override;
  void onMouseDown(DrawContext* context, Point where) override;
  void redrawIfDirty(DrawContext* context) override;
  int32_t onKeyDown(VstKeyCode& key) override;
  int32_t onKeyUp(VstKeyCode& key) override;
  // Refused while a view has the focus.
  bool onDrop(const char* const* items, int32_t count, int32_t type, Point where) override;
  // Goes to the view under the cursor, at the cursor; `where` is not used.
  bool onWheel(DrawContext* context, Point where, float distance) override;
  FrameEditor* getEditor() const override;

  // Takes over the caller's reference. False when the list could not grow.
  virtual bool addView(View* view);
  virtual bool removeView(View* view, bool release);
  virtual bool removeAll(bool release);
  virtual bool isChild(View* view) const;
  virtual int32_t childCount() const;
  // Null outside 0 .. childCount() - 1.
  virtual View* childAt(int32_t index) const;

  void setBackground(Bitmap* bitmap);
  void setFocusView(View* view);
  View* focusView() const { return focus; }
  View* viewUnderMouse();
  bool mousePositionInFrame(Point& where);
  bool anyDirty() const;
  // Redraws dirty views on the window, once the window has painted.
  void frameIdle();

  // A context on the frame's window for one pass; null without a window.
  std::unique_ptr<DrawContext> makeDrawContext();
  // Takes the window off the screen; it stays until the frame goes.
  void hideWindow();
  // The window reports its own destruction: no more idle or frame redraws.
  void windowDestroyed();
  bool isOpen() const { return open; }
  // True while an event handed to the frame (click, key, wheel, drop) is
  // still being handled further up the stack: the frame must not go then.
  bool isInUse() const { return handling > 0; }
  bool isFirstPaintPending() const { return firstPaintPending; }
  NativeWindow parentWindow() const { return parent; }
  HostWindow* window() const { return hostWindow.get(); }
  Platform& platform() const { return services; }

 private:
  bool growChildren();
  // True when the editor's close is pending: such a frame takes no input.
  bool closing() const;

  // Counts an event handler's run for isInUse.
  class InUse {
   public:
    explicit InUse(Frame& frame) : owner(frame) { ++owner.handling; }
    ~InUse() { --owner.handling; }
    InUse(const InUse&) = delete;
    InUse& operator=(const InUse&) = delete;

   private:
    Frame& owner;
  };

  FrameEditor* editor;
  NativeWindow parent;
  Bitmap* background = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
  View** children = nullptr;
  View* focus = nullptr;
  bool firstPaintPending = true;
  bool open = true;
  int32_t handling = 0;
  Platform& services;
  std::unique_ptr<HostWindow> hostWindow;
};

}  // namespace brisko
