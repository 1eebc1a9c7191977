#pragma once

// Drops on the frame's X11 window through the XDND protocol: text
// (text/plain) and file lists (text/uri-list, file URIs as local paths) reach
// the frame's onDrop at the drop position. Data is fetched without waiting:
// the server's answer arrives as an event at a later idle.

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace brisko {
class Frame;
}

namespace brisko::x11 {

class DropReceiver {
 public:
  DropReceiver(Display* display, Window window, Frame& frame);

  // Tells drag sources that the window takes drops.
  void announce();
  void revoke();
  void clientMessage(const XClientMessageEvent& message);
  void selectionArrived(const XSelectionEvent& event);

 private:
  void entered(const XClientMessageEvent& message);
  void moved(const XClientMessageEvent& message);
  void dropped(const XClientMessageEvent& message);
  void reply(Atom type, long accepted, Atom action);
  void finish(bool taken);
  bool deliver(const std::string& data);

  Display* display;
  Window window;
  Frame& frame;
  bool announced = false;
  Atom aware, enter, position, status, leave, drop, finished, selection, actionCopy, typeList, uriList, textPlain,
      textUtf8, property;
  Window source = 0;
  Atom offered = None;
  int rootX = 0;
  int rootY = 0;
  bool awaitingData = false;
};

// The local paths of the file URIs in a text/uri-list; other entries and
// comments are left out.
std::vector<std::string> localPathsOf(const std::string& uriList);

}  // namespace brisko::x11
