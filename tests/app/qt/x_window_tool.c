// What a window manager asks of a window, for the end-to-end tests that run
// without one:
//   x_window_tool ping WINDOW   sends _NET_WM_PING and prints the answer's
//                               delay in milliseconds; without an answer
//                               within 2 s, SIGALRM ends it (status 142)
//   x_window_tool close WINDOW  asks the window to close (WM_DELETE_WINDOW),
//                               as a title bar's close button does
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static double Milliseconds(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

static void SendProtocol(Display* display, Window window, Atom protocol, long stamp) {
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)protocol;
  event.xclient.data.l[1] = stamp;
  event.xclient.data.l[2] = (long)window;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s ping|close WINDOW\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "no X display\n");
    return 2;
  }
  const Window window = (Window)strtoul(argv[2], NULL, 0);
  if (strcmp(argv[1], "close") == 0) {
    SendProtocol(display, window, XInternAtom(display, "WM_DELETE_WINDOW", False), CurrentTime);
    XCloseDisplay(display);
    return 0;
  }
  const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
  // Qt answers to the root window for StructureNotify, others for SubstructureNotify.
  XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask | SubstructureNotifyMask);
  const double start = Milliseconds();
  const long stamp = (long)start & 0x7fffffff;
  SendProtocol(display, window, ping, stamp);
  alarm(2);
  XEvent event;  // the answer, sent to the root window
  do XNextEvent(display, &event);
  while (event.type != ClientMessage || (Atom)event.xclient.data.l[0] != ping ||
         event.xclient.data.l[1] != stamp);
  printf("%.0f\n", Milliseconds() - start);
  XCloseDisplay(display);
  return 0;
}
