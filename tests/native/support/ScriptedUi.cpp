// The scripted user interface: answers in order, then the first button of the box.
#include "tests/native/support/ScriptedUi.h"

#include <algorithm>

namespace support {

int ScriptedUi::ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  boxes.push_back({text, caption, flags});
  if (answerAt_ < answers.size()) return answers[answerAt_++];
  return (flags & 0xF) == sys::kMbYesNo ? sys::kIdYes : sys::kIdOk;
}

bool ScriptedUi::VolumeLabel(const std::string&, std::string& label) {
  if (labels.empty()) return false;
  label = labels[std::min(labelAt_, labels.size() - 1)];
  ++labelAt_;
  return true;
}

}  // namespace support
