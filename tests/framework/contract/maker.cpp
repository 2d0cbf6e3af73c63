// Test library that defines a command class and hands its commands out.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/api.h"
#include "platform/text/convert.h"
#include "tests/framework/contract/contract_api.h"

namespace {

void Append(char* buffer, std::size_t size, const char* text) {
  std::strncat(buffer, text, size - std::strlen(buffer) - 1);
}

class MakerCmd : public CommandC {
 public:
  MakerCmd(const char* name, const char16_t* const* items, std::size_t count, MakerLog* log) : log_(log) {
    SetName(name);
    SetEnabled(true);
    for (std::size_t i = 0; i < count; ++i) {
      items_.items.emplace_back(items[i]);
    }
  }
  ~MakerCmd() override {
    Append(log_->deleted, sizeof log_->deleted, GetName());
    Append(log_->deleted, sizeof log_->deleted, ";");
  }

  void Execute() override {
    ++log_->executions;
    log_->checked_in_execute = IsChecked();
  }
  void OnTextSelected(std::u16string text) override {
    std::snprintf(log_->selected_text, sizeof log_->selected_text, "%s", quorvia::Utf16ToUtf8(text).c_str());
  }

 private:
  MakerLog* log_;
};

}  // namespace

extern "C" QUORVIA_EXPORT CommandI* MakerCreateCommand(const char* name, const char16_t* const* items,
                                                       std::size_t count, MakerLog* log) {
  return new MakerCmd(name, items, count, log);
}

extern "C" QUORVIA_EXPORT void MakerSetImage(CommandI* command, std::int32_t image_id) {
  static_cast<CommandC*>(command)->SetImage(image_id, kCommandMaskColor);
}
