#include "player/page_window.h"
#include "sdk/headless_window.h"

namespace fbplayer {
namespace {

// Hands the window's questions to the player's PageQuestions.
class QuestionAnswerer final : public headless_question_answerer {
 public:
  bool answer_question(const char* title, const char* text) override {
    return questions != nullptr && questions->answer(title, text);
  }
  PageQuestions* questions = nullptr;
};

QuestionAnswerer g_answerer;

}  // namespace

// Without a window system the page's window is the component's headless_window.

void* page_parent_window() {
  return nullptr;
}

std::vector<PageControl> page_controls(void* dialog) {
  auto& window = *static_cast<headless_window*>(dialog);
  std::vector<PageControl> controls;
  for (std::size_t i = 0; i < window.control_count(); ++i) {
    const headless_window::control c = window.control_at(i);
    controls.push_back({c.id, c.text, c.check_state, c.enabled});
  }
  return controls;
}

bool click_page_control(void* dialog, int id) {
  auto& window = *static_cast<headless_window*>(dialog);
  for (std::size_t i = 0; i < window.control_count(); ++i) {
    const headless_window::control c = window.control_at(i);
    if (c.id == id) {
      if (!c.enabled) {
        return false;
      }
      window.click(id);
      return true;
    }
  }
  return false;
}

void answer_page_questions(void* dialog, PageQuestions* questions) {
  g_answerer.questions = questions;
  if (dialog != nullptr) {
    static_cast<headless_window*>(dialog)->set_question_answerer(&g_answerer);
  }
}

}  // namespace fbplayer
