// The user interface of both test worlds: platform::message_box and shift_held
// answer from here, so no test shows a box or reads the keyboard.
#include "support/test_env.h"

namespace vorlane::testenv {
namespace {

struct Ui { std::vector<Box> boxes; int answer = 1; bool shift = false; };  // 1: IDOK
Ui& ui() {
    static Ui u;
    return u;
}

}  // namespace

void reset_ui() { ui() = Ui(); }
const std::vector<Box>& boxes() { return ui().boxes; }
void answer_boxes_with(int answer) { ui().answer = answer; }
void set_shift(bool held) { ui().shift = held; }

}  // namespace vorlane::testenv

namespace vorlane::platform {

int message_box(const std::string& text, const std::string& caption, std::uint32_t style) {
    testenv::ui().boxes.push_back(testenv::Box{text, caption, style});
    return testenv::ui().answer;
}
bool shift_held() { return testenv::ui().shift; }

}  // namespace vorlane::platform
