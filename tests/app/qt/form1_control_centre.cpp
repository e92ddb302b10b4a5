// Prints "x y", the centre of a Form1 control in 96-dpi pixels from the top
// left of the client area, so the end-to-end test clicks where the window
// description puts the control.
#include <cstdio>
#include <string_view>

#include "form1.hpp"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CONTROL_NAME\n", argv[0]);
    return 2;
  }
  constexpr int kDpi = 96;
  for (const rinomina::form1::ControlDescription& control : rinomina::form1::kControls) {
    if (control.name != std::string_view(argv[1])) continue;
    const int x = rinomina::form1::TwipsToPixels(control.left + control.width / 2, kDpi);
    const int y = rinomina::form1::TwipsToPixels(control.top + control.height / 2, kDpi);
    std::printf("%d %d\n", x, y);
    return 0;
  }
  std::fprintf(stderr, "unknown control: %s\n", argv[1]);
  return 2;
}
