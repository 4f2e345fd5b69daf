// Shows the machine's windows on a real X display. Plain Xlib rather than
// SDL2: it is small, XPutImage takes our BGRA rows as they are, and it brings
// no event loop of its own to fit beside the program's message loop. One
// thread with its own connection does all X work; the program only hands it
// the latest frame and wakes it, so its message loop never waits on X.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/display/SimPresent.h"
#include "platform/sim/display/present_internal.h"
#include "platform/sim/windows/SimWindowState.h"
#include "platform/window_input.h"

namespace simdisplay {

namespace {

// What the program hands over, taken by the presenter thread.
struct Pending {
  Snapshot frame;
  bool dirty = false;
  bool gone = false;
};

// An image in memory the server shares (MIT-SHM): a frame reaches the
// server without going through the socket.
struct SharedImage {
  XShmSegmentInfo info = {};
  XImage* image = nullptr;
};

// A window as the presenter thread shows it; only that thread touches it.
struct Shown {
  Snapshot frame;
  std::unique_ptr<SharedImage> shared;
  ::Window xwindow = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  std::u16string title;
};

struct Display_ {
  std::mutex mutex;  // never held across an X call
  std::map<uintptr_t, Pending> pending;
  int wake[2] = {-1, -1};
  bool started = false;
  std::atomic<bool> usable{false};
};

Display_& D() {
  static Display_* display = new Display_;  // its thread runs until the process ends
  return *display;
}

std::atomic<uint64_t> frames_shown{0};

// Xlib's I/O error handler is one for the process: ours keeps quiet about
// the presenter's own connection (its exit handler then ends the showing)
// and leaves any other connection to the handler that was there before.
std::atomic<::Display*> presenter_connection{nullptr};
XIOErrorHandler previous_io_handler = nullptr;

int OnIoError(::Display* x) {
  if (x == presenter_connection.load() || !previous_io_handler) return 0;
  return previous_io_handler(x);
}

// Protocol errors on the presenter's connection are noted, never fatal.
std::atomic<bool> presenter_error{false};
XErrorHandler previous_error_handler = nullptr;

int OnError(::Display* x, XErrorEvent* error) {
  if (x == presenter_connection.load() || !previous_error_handler) {
    presenter_error = true;
    return 0;
  }
  return previous_error_handler(x, error);
}

constexpr UINT kVkF1 = 0x70;

UINT VirtualKey(KeySym sym) {
  if (sym >= XK_a && sym <= XK_z) return static_cast<UINT>('A' + (sym - XK_a));
  if (sym >= XK_A && sym <= XK_Z) return static_cast<UINT>('A' + (sym - XK_A));
  if (sym >= XK_0 && sym <= XK_9) return static_cast<UINT>('0' + (sym - XK_0));
  if (sym >= XK_F1 && sym <= XK_F12) return static_cast<UINT>(kVkF1 + (sym - XK_F1));
  switch (sym) {
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_Tab: case XK_ISO_Left_Tab: return VK_TAB;
    case XK_space: return VK_SPACE;
    case XK_BackSpace: return VK_BACK;
    case XK_Delete: return VK_DELETE;
    case XK_Left: return VK_LEFT;
    case XK_Right: return VK_RIGHT;
    case XK_Up: return VK_UP;
    case XK_Down: return VK_DOWN;
    case XK_Home: return VK_HOME;
    case XK_End: return VK_END;
    case XK_Shift_L: case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L: case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L: case XK_Alt_R: return VK_MENU;
    default: return 0;
  }
}

class Presenter {
 public:
  explicit Presenter(::Display* x) : x_(x) {
    delete_window_ = XInternAtom(x_, "WM_DELETE_WINDOW", False);
    protocols_ = XInternAtom(x_, "WM_PROTOCOLS", False);
    net_wm_name_ = XInternAtom(x_, "_NET_WM_NAME", False);
    utf8_ = XInternAtom(x_, "UTF8_STRING", False);
    shared_memory_ = XShmQueryExtension(x_);
  }

  void Run() {
    Display_& d = D();
    // A lost server ends the showing, not the program (Xlib's default is exit).
    XSetIOErrorExitHandler(x_, [](::Display*, void* lost) { *static_cast<bool*>(lost) = true; }, &lost_);
    pollfd fds[2] = {{d.wake[0], POLLIN, 0}, {ConnectionNumber(x_), POLLIN, 0}};
    while (!lost_) {
      XFlush(x_);
      if (!XPending(x_) && poll(fds, 2, -1) < 0) continue;
      if (fds[0].revents & POLLIN) {
        char drain[64];
        while (read(d.wake[0], drain, sizeof(drain)) > 0) {
        }
      }
      Update();
      while (!lost_ && XPending(x_)) {
        XEvent event;
        XNextEvent(x_, &event);
        Handle(event);
      }
    }
    d.usable = false;
  }

 private:
  // Takes what the program handed over since the last round, then shows it.
  void Update() {
    std::map<uintptr_t, Pending> taken;
    {
      Display_& d = D();
      std::lock_guard<std::mutex> guard(d.mutex);
      taken.swap(d.pending);
    }
    for (auto& [hwnd, change] : taken) {
      if (change.gone) {
        auto it = shown_.find(hwnd);
        if (it == shown_.end()) continue;
        Release(&it->second);
        if (it->second.xwindow) {
          by_x_.erase(it->second.xwindow);
          XDestroyWindow(x_, it->second.xwindow);
        }
        shown_.erase(it);
        continue;
      }
      Shown& shown = shown_[hwnd];
      shown.frame = std::move(change.frame);
      Place(hwnd, &shown);
      Draw(&shown);
    }
  }

  void Place(uintptr_t hwnd, Shown* shown) {
    const Snapshot& f = shown->frame;
    if (!shown->xwindow) {
      int screen = DefaultScreen(x_);
      shown->xwindow = XCreateSimpleWindow(x_, RootWindow(x_, screen), f.screen_x, f.screen_y,
                                           f.width, f.height, 0, BlackPixel(x_, screen),
                                           WhitePixel(x_, screen));
      XSelectInput(x_, shown->xwindow,
                   ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                       KeyPressMask | KeyReleaseMask);
      XSetWMProtocols(x_, shown->xwindow, &delete_window_, 1);
      std::string class_name = SimToUtf8(f.class_name);
      XClassHint hint = {const_cast<char*>(class_name.c_str()), const_cast<char*>(class_name.c_str())};
      XSetClassHint(x_, shown->xwindow, &hint);
      shown->x = f.screen_x;
      shown->y = f.screen_y;
      shown->width = f.width;
      shown->height = f.height;
      by_x_[shown->xwindow] = hwnd;
      SetTitle(shown);
      Hints(*shown);
      XMapWindow(x_, shown->xwindow);
    } else if (shown->width != f.width || shown->height != f.height || shown->x != f.screen_x ||
               shown->y != f.screen_y) {
      shown->x = f.screen_x;
      shown->y = f.screen_y;
      shown->width = f.width;
      shown->height = f.height;
      Hints(*shown);
      XMoveResizeWindow(x_, shown->xwindow, f.screen_x, f.screen_y, f.width, f.height);
    }
    if (shown->title != f.title) SetTitle(shown);
  }

  // The window's place and size are the program's to choose, not the window
  // manager's.
  void Hints(const Shown& shown) {
    XSizeHints hints = {};
    hints.flags = USPosition | PPosition | PMinSize | PMaxSize;
    hints.x = shown.x;
    hints.y = shown.y;
    hints.min_width = hints.max_width = shown.width;
    hints.min_height = hints.max_height = shown.height;
    XSetWMNormalHints(x_, shown.xwindow, &hints);
  }

  void SetTitle(Shown* shown) {
    shown->title = shown->frame.title;
    std::string title = SimToUtf8(shown->title);
    // WM_NAME as UTF8_STRING too: what xdotool and most window managers read.
    XChangeProperty(x_, shown->xwindow, XA_WM_NAME, utf8_, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    XChangeProperty(x_, shown->xwindow, net_wm_name_, utf8_, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
  }

  void Draw(Shown* shown) {
    const Snapshot& f = shown->frame;
    if (!shown->xwindow || !f.pixels || f.pixels->empty()) return;
    int screen = DefaultScreen(x_);
    if (DefaultDepth(x_, screen) != 24 && DefaultDepth(x_, screen) != 32)
      return;  // BGRA words are a 24/32-bit TrueColor layout
    if (shared_memory_ && (!shown->shared || shown->shared->image->width != f.width ||
                           shown->shared->image->height != f.height)) {
      Release(shown);
      shown->shared = Share(f.width, f.height);
    }
    if (shown->shared) {
      XImage* image = shown->shared->image;
      for (int y = 0; y < f.height; ++y)
        std::memcpy(image->data + static_cast<size_t>(y) * image->bytes_per_line,
                    f.pixels->data() + static_cast<size_t>(y) * f.width, static_cast<size_t>(f.width) * 4);
      XShmPutImage(x_, shown->xwindow, DefaultGC(x_, screen), image, 0, 0, 0, 0,
                   static_cast<unsigned>(f.width), static_cast<unsigned>(f.height), False);
    } else {
      XImage* image = XCreateImage(x_, DefaultVisual(x_, screen),
                                   static_cast<unsigned>(DefaultDepth(x_, screen)), ZPixmap, 0,
                                   reinterpret_cast<char*>(const_cast<uint32_t*>(f.pixels->data())),
                                   static_cast<unsigned>(f.width), static_cast<unsigned>(f.height),
                                   32, f.width * 4);
      if (!image) return;
      XPutImage(x_, shown->xwindow, DefaultGC(x_, screen), image, 0, 0, 0, 0,
                static_cast<unsigned>(f.width), static_cast<unsigned>(f.height));
      image->data = nullptr;  // the frame's own pixels
      XDestroyImage(image);
    }
    // The server has the image before the frame counts as shown (and the
    // shared memory may be written again).
    XSync(x_, False);
    frames_shown.fetch_add(1);
  }

  // A shared image of width x height; null (and plain XPutImage from then
  // on) when the server cannot share memory with us.
  std::unique_ptr<SharedImage> Share(int width, int height) {
    int screen = DefaultScreen(x_);
    auto shared = std::make_unique<SharedImage>();
    shared->image = XShmCreateImage(x_, DefaultVisual(x_, screen),
                                    static_cast<unsigned>(DefaultDepth(x_, screen)), ZPixmap, nullptr,
                                    &shared->info, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height));
    if (!shared->image) {
      shared_memory_ = false;
      return nullptr;
    }
    shared->info.shmid = shmget(IPC_PRIVATE,
                                static_cast<size_t>(shared->image->bytes_per_line) * height,
                                IPC_CREAT | 0600);
    void* address = shared->info.shmid < 0 ? reinterpret_cast<void*>(-1)
                                           : shmat(shared->info.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
      if (shared->info.shmid >= 0) shmctl(shared->info.shmid, IPC_RMID, nullptr);
      XDestroyImage(shared->image);
      shared_memory_ = false;
      return nullptr;
    }
    shared->info.shmaddr = shared->image->data = static_cast<char*>(address);
    shared->info.readOnly = False;
    presenter_error = false;
    XShmAttach(x_, &shared->info);
    XSync(x_, False);
    // Gone as soon as both sides let go, however this process ends.
    shmctl(shared->info.shmid, IPC_RMID, nullptr);
    if (presenter_error) {
      shmdt(address);
      shared->image->data = nullptr;
      XDestroyImage(shared->image);
      shared_memory_ = false;
      return nullptr;
    }
    return shared;
  }

  void Release(Shown* shown) {
    if (!shown->shared) return;
    XShmDetach(x_, &shown->shared->info);
    shmdt(shown->shared->info.shmaddr);
    shown->shared->image->data = nullptr;
    XDestroyImage(shown->shared->image);
    shown->shared.reset();
  }

  void Handle(const XEvent& event) {
    auto it = by_x_.find(event.xany.window);
    if (it == by_x_.end()) return;
    HWND hwnd = simwin::FromValue(it->second);
    const Shown& shown = shown_[it->second];
    if (event.type == Expose) {
      if (event.xexpose.count == 0) Draw(&shown_[it->second]);
      return;
    }
    const int origin_x = shown.frame.origin_x;
    const int origin_y = shown.frame.origin_y;
    SimInput input;
    switch (event.type) {
      case ButtonPress:
      case ButtonRelease: {
        bool press = event.type == ButtonPress;
        if (event.xbutton.button == Button1)
          input.kind = press ? SimInputKind::kLeftDown : SimInputKind::kLeftUp;
        else if (event.xbutton.button == Button3)
          input.kind = press ? SimInputKind::kRightDown : SimInputKind::kRightUp;
        else
          return;
        input.x = event.xbutton.x + origin_x;
        input.y = event.xbutton.y + origin_y;
        break;
      }
      case MotionNotify:
        input.kind = SimInputKind::kMouseMove;
        input.x = event.xmotion.x + origin_x;
        input.y = event.xmotion.y + origin_y;
        break;
      case KeyPress:
      case KeyRelease: {
        XKeyEvent key = event.xkey;
        input.kind = event.type == KeyPress ? SimInputKind::kKeyDown : SimInputKind::kKeyUp;
        input.key = VirtualKey(XLookupKeysym(&key, 0));
        if (!input.key) return;
        break;
      }
      case ClientMessage:
        if (event.xclient.message_type != protocols_ ||
            static_cast<Atom>(event.xclient.data.l[0]) != delete_window_)
          return;
        input.kind = SimInputKind::kClose;
        break;
      default:
        return;
    }
    SimInjectInput(hwnd, input);
  }

  ::Display* x_;
  Atom delete_window_;
  Atom protocols_;
  Atom net_wm_name_;
  Atom utf8_;
  std::map<uintptr_t, Shown> shown_;
  std::map<::Window, uintptr_t> by_x_;
  bool lost_ = false;
  bool shared_memory_ = false;
};

// Starts the presenter thread on first use; false without a display. The
// thread connects, so that not even that waits on the server.
bool Usable(Display_& d) {
  if (d.started) return d.usable;
  d.started = true;
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return false;
  if (pipe2(d.wake, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  d.usable = true;
  std::thread([] {
    ::Display* x = XOpenDisplay(nullptr);
    if (!x) {
      D().usable = false;
      return;
    }
    // Its connection stays open for the life of the process: the X windows go with it.
    fcntl(ConnectionNumber(x), F_SETFD, FD_CLOEXEC);
    presenter_connection = x;
    previous_io_handler = XSetIOErrorHandler(OnIoError);
    previous_error_handler = XSetErrorHandler(OnError);
    Presenter(x).Run();
  }).detach();
  return true;
}

void Wake(Display_& d) {
  char byte = 1;
  (void)!write(d.wake[1], &byte, 1);
}

}  // namespace

void ShowOnDisplay(HWND window, const Snapshot& frame) {
  Display_& d = D();
  std::lock_guard<std::mutex> guard(d.mutex);
  if (!Usable(d)) return;
  Pending& pending = d.pending[simwin::Value(window)];
  pending.frame = frame;
  pending.dirty = true;
  pending.gone = false;
  Wake(d);
}

void RemoveFromDisplay(HWND window) {
  Display_& d = D();
  std::lock_guard<std::mutex> guard(d.mutex);
  if (!d.usable) return;
  Pending& pending = d.pending[simwin::Value(window)];
  pending.frame = Snapshot{};
  pending.gone = true;
  Wake(d);
}

}  // namespace simdisplay

uint64_t SimDisplayFramesShown() { return simdisplay::frames_shown.load(); }
