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

int main(int argc, char** argv) {
  Display* display = argc == 3 ? XOpenDisplay(NULL) : NULL;
  if (display == NULL) return fprintf(stderr, "usage: %s ping|close WINDOW, with X\n", argv[0]), 2;
  const int ping = strcmp(argv[1], "close") != 0;
  const Window window = (Window)strtoul(argv[2], NULL, 0);
  const Atom protocol = XInternAtom(display, ping ? "_NET_WM_PING" : "WM_DELETE_WINDOW", False);
  // Qt answers to the root window for StructureNotify, others for SubstructureNotify.
  XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask | SubstructureNotifyMask);
  const double start = Milliseconds();
  const long stamp = ping ? (long)start & 0x7fffffff : CurrentTime;
  XEvent event = {.xclient = {.type = ClientMessage,
                              .window = window,
                              .message_type = XInternAtom(display, "WM_PROTOCOLS", False),
                              .format = 32,
                              .data.l = {(long)protocol, stamp, (long)window}}};
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  alarm(2);
  // The answer, sent to the root window.
  for (event.type = 0; ping && !(event.type == ClientMessage && event.xclient.data.l[1] == stamp &&
                                 (Atom)event.xclient.data.l[0] == protocol);)
    XNextEvent(display, &event);
  if (ping) printf("%.0f\n", Milliseconds() - start);
  XCloseDisplay(display);
  return 0;
}
