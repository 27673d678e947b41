#include "monitor/control/task.hpp"

namespace ravnmor::control {

namespace {
Task* running = nullptr;
}

Task* current_task() {
  return running;
}
void set_current_task(Task* task) {
  running = task;
}

}  // namespace ravnmor::control
