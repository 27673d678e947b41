#include "monitor/control/task.hpp"

#include "host/bytes.hpp"
#include "host/host.hpp"
#include "host/layout.hpp"
#include "monitor/control/blocks.hpp"

namespace ravnmor::control {

namespace {
Task* running = nullptr;
}

Task* current_task() {
  return running;
}
void set_commarea(Task& task, std::uint8_t* data, std::int16_t length) {
  task.commarea = length > 0 ? data : nullptr;
  task.commarea_length = task.commarea == nullptr ? 0 : length;
  host::store_half(task_blocks().eib, host::kEibCalen, task.commarea_length);
}

void pass_commarea(Task& task, std::vector<std::uint8_t> data) {
  task.passed_commarea = std::move(data);
  set_commarea(task, task.passed_commarea.data(),
               static_cast<std::int16_t>(task.passed_commarea.size()));
}

void set_current_task(Task* task) {
  running = task;
}

}  // namespace ravnmor::control

namespace host {

std::span<std::uint8_t> task_commarea() {
  const ravnmor::control::Task* task = ravnmor::control::current_task();
  if (task == nullptr || task->commarea == nullptr) return {};
  return {task->commarea, static_cast<std::size_t>(task->commarea_length)};
}

std::string_view linking_program() {
  const ravnmor::control::Task* task = ravnmor::control::current_task();
  if (task == nullptr || task->linking_programs.empty()) return {};
  return task->linking_programs.back();
}

}  // namespace host
