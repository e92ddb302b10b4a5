// Prints "x y", the centre of the Form1 control named by the argument in
// 96-dpi pixels from the client area's top left, where the end-to-end test clicks.
#include <cstdio>

#include "form1.hpp"

int main(int argc, char* argv[]) {
  using rinomina::form1::TwipsToPixels;
  for (const rinomina::form1::ControlDescription& c : rinomina::form1::kControls) {
    if (argc != 2 || c.name != argv[1]) continue;
    std::printf("%d %d\n", TwipsToPixels(c.left + c.width / 2, 96),
                TwipsToPixels(c.top + c.height / 2, 96));
    return 0;
  }
  std::fprintf(stderr, "usage: %s CONTROL_NAME, one of Form1's controls\n", argv[0]);
  return 2;
}
