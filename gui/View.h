#pragma once

#include <cstdint>

#include "gui/DrawContext.h"
#include "gui/Geometry.h"
#include "plugin/HostInterface.h"

namespace brisko {

class Frame;
class FrameEditor;

// The base of everything drawn in the editor: a rectangle in frame
// coordinates with a dirty flag, a mouse-enable flag and a reference count.
// Views start with one reference; a frame takes over the creation reference
// of every view added to it. A null context means "none": nothing is drawn.
class View {
 public:
  explicit View(const Rect& size);
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  virtual void draw(DrawContext* context);
  virtual void drawRect(DrawContext* context, const Rect& rect);
  // Edges included.
  virtual bool overlaps(const Rect& rect) const;
  virtual void onMouseDown(DrawContext* context, Point where);
  // Draws when dirty; with no context the view stays dirty.
  virtual void redrawIfDirty(DrawContext* context);
  virtual int32_t notify(View* sender, const char* message);
  // -1: not handled.
  virtual int32_t onKeyDown(VstKeyCode& key);
  virtual int32_t onKeyUp(VstKeyCode& key);
  // type 0: file names, 1: text.
  virtual bool onDrop(const char* const* items, int32_t count, int32_t type, Point where);
  virtual bool onWheel(DrawContext* context, Point where, float distance);
  virtual void loseFocus(DrawContext* context);
  virtual void takeFocus(DrawContext* context);
  virtual bool isDirty() const;
  virtual void setDirty(bool state);
  virtual void setMouseEnabled(bool state);
  virtual bool getMouseEnabled() const;
  virtual void setMouseArea(const Rect& rect);
  virtual void getMouseArea(Rect& rect) const;
  // Edges included; the buttons are not consulted.
  virtual bool hitTest(Point where, ButtonState buttons) const;
  virtual void setTransparency(bool state);
  virtual bool getTransparency() const;
  virtual void setViewSize(const Rect& rect);
  virtual void getViewSize(Rect& rect) const;
  virtual void setParentView(View* view);
  virtual void setFrame(Frame* owner);
  virtual FrameEditor* getEditor() const;
  virtual bool removed(View* parent);
  virtual bool attached(View* parent);
  virtual void releaseReference();
  virtual void addReference();
  virtual int32_t referenceCount() const;

  const Rect& viewRect() const { return bounds; }

 protected:
  // Only the last releaseReference destroys a view.
  virtual ~View() = default;

  Frame* frame = nullptr;

 private:
  int32_t references = 1;
  Rect bounds;
  Rect mouseArea;
  View* parentView = nullptr;
  bool dirty = false;
  bool mouseEnabled = true;
  bool transparent = false;
};

}  // namespace brisko
