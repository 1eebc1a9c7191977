#include "gui/x11/DropReceiver.h"

#include <X11/Xatom.h>

#include <cstring>

#include "gui/Frame.h"

namespace brisko::x11 {

namespace {

enum : int32_t { kDropFiles = 0, kDropText = 1 };
constexpr long kProtocolVersion = 5;
// Longest data taken, in 32-bit units as XGetWindowProperty counts.
constexpr long kMaxDataWords = 1 << 18;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A file URI's path with escapes decoded; empty for other URIs, for hosts
// other than this one, and for paths that would hold a NUL.
std::string pathOf(const std::string& uri) {
  constexpr const char* kScheme = "file://";
  if (uri.compare(0, std::strlen(kScheme), kScheme) != 0) return {};
  const size_t pathStart = uri.find('/', std::strlen(kScheme));
  if (pathStart == std::string::npos) return {};
  const std::string host = uri.substr(std::strlen(kScheme), pathStart - std::strlen(kScheme));
  if (!host.empty() && host != "localhost") return {};
  std::string path;
  for (size_t i = pathStart; i < uri.size(); ++i) {
    if (uri[i] != '%') {
      path += uri[i];
      continue;
    }
    const int high = i + 2 < uri.size() ? hexValue(uri[i + 1]) : -1;
    const int low = high >= 0 ? hexValue(uri[i + 2]) : -1;
    if (low < 0 || (high == 0 && low == 0)) return {};
    path += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return path;
}

}  // namespace

std::vector<std::string> localPathsOf(const std::string& uriList) {
  std::vector<std::string> paths;
  size_t start = 0;
  while (start < uriList.size()) {
    size_t end = uriList.find('\n', start);
    if (end == std::string::npos) end = uriList.size();
    std::string line = uriList.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') {
      std::string path = pathOf(line);
      if (!path.empty()) paths.push_back(std::move(path));
    }
    start = end + 1;
  }
  return paths;
}

DropReceiver::DropReceiver(Display* connection, Window target, Frame& owner)
    : display(connection), window(target), frame(owner) {
  aware = XInternAtom(display, "XdndAware", False);
  enter = XInternAtom(display, "XdndEnter", False);
  position = XInternAtom(display, "XdndPosition", False);
  status = XInternAtom(display, "XdndStatus", False);
  leave = XInternAtom(display, "XdndLeave", False);
  drop = XInternAtom(display, "XdndDrop", False);
  finished = XInternAtom(display, "XdndFinished", False);
  selection = XInternAtom(display, "XdndSelection", False);
  actionCopy = XInternAtom(display, "XdndActionCopy", False);
  typeList = XInternAtom(display, "XdndTypeList", False);
  uriList = XInternAtom(display, "text/uri-list", False);
  textPlain = XInternAtom(display, "text/plain", False);
  textUtf8 = XInternAtom(display, "text/plain;charset=utf-8", False);
  property = XInternAtom(display, "BRISKO_DROP", False);
}

void DropReceiver::announce() {
  const long version = kProtocolVersion;
  XChangeProperty(display, window, aware, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&version), 1);
  announced = true;
}

void DropReceiver::revoke() {
  if (announced) XDeleteProperty(display, window, aware);
  announced = false;
  source = 0;
  awaitingData = false;
}

void DropReceiver::clientMessage(const XClientMessageEvent& message) {
  if (!announced || message.format != 32) return;
  if (message.message_type == enter) {
    entered(message);
  } else if (message.message_type == position) {
    moved(message);
  } else if (message.message_type == drop) {
    dropped(message);
  } else if (message.message_type == leave) {
    source = 0;
    awaitingData = false;
  }
}

void DropReceiver::entered(const XClientMessageEvent& message) {
  source = static_cast<Window>(message.data.l[0]);
  offered = None;
  awaitingData = false;
  std::vector<Atom> types;
  if (message.data.l[1] & 1) {
    // More than three types: the full list is on the source window.
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, source, typeList, 0, 256, False, XA_ATOM, &actualType, &actualFormat, &count,
                           &remaining, &data) == Success &&
        data && actualFormat == 32) {
      const auto* atoms = reinterpret_cast<const Atom*>(data);
      types.assign(atoms, atoms + count);
    }
    if (data) XFree(data);
  } else {
    for (int i = 2; i < 5; ++i) types.push_back(static_cast<Atom>(message.data.l[i]));
  }
  for (Atom preferred : {uriList, textUtf8, textPlain}) {
    for (Atom type : types) {
      if (type == preferred && offered == None) offered = type;
    }
  }
}

void DropReceiver::moved(const XClientMessageEvent& message) {
  if (static_cast<Window>(message.data.l[0]) != source) return;
  rootX = static_cast<int>((message.data.l[2] >> 16) & 0xFFFF);
  rootY = static_cast<int>(message.data.l[2] & 0xFFFF);
  reply(status, offered != None ? 1 : 0, offered != None ? actionCopy : None);
}

void DropReceiver::dropped(const XClientMessageEvent& message) {
  if (static_cast<Window>(message.data.l[0]) != source) return;
  if (offered == None) {
    finish(false);
    return;
  }
  awaitingData = true;
  XConvertSelection(display, selection, offered, property, window, static_cast<Time>(message.data.l[2]));
}

void DropReceiver::selectionArrived(const XSelectionEvent& event) {
  if (!awaitingData || event.selection != selection) return;
  awaitingData = false;
  std::string data;
  if (event.property != None) {
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* bytes = nullptr;
    if (XGetWindowProperty(display, window, property, 0, kMaxDataWords, True, AnyPropertyType, &actualType,
                           &actualFormat, &count, &remaining, &bytes) == Success &&
        bytes && actualFormat == 8) {
      data.assign(reinterpret_cast<const char*>(bytes), count);
    }
    if (bytes) XFree(bytes);
  }
  finish(!data.empty() && deliver(data));
}

bool DropReceiver::deliver(const std::string& data) {
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display, DefaultRootWindow(display), window, rootX, rootY, &x, &y, &child);
  const Point where{x, y};
  if (offered == uriList) {
    const std::vector<std::string> paths = localPathsOf(data);
    if (paths.empty()) return false;
    std::vector<const char*> items;
    for (const std::string& path : paths) items.push_back(path.c_str());
    return frame.onDrop(items.data(), static_cast<int32_t>(items.size()), kDropFiles, where);
  }
  // One text, terminated; the count is its length, as on Windows.
  const std::string text(data.c_str());
  const char* items[] = {text.c_str()};
  return frame.onDrop(items, static_cast<int32_t>(text.size()), kDropText, where);
}

void DropReceiver::finish(bool taken) {
  // A refused drop must not read as done, or a moving source would delete
  // what was dragged.
  reply(finished, taken ? 1 : 0, taken ? actionCopy : None);
  source = 0;
}

void DropReceiver::reply(Atom type, long accepted, Atom action) {
  if (!source) return;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.display = display;
  event.xclient.window = source;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(window);
  event.xclient.data.l[1] = accepted;
  event.xclient.data.l[type == status ? 4 : 2] = static_cast<long>(action);
  XSendEvent(display, source, False, NoEventMask, &event);
  XFlush(display);
}

}  // namespace brisko::x11
