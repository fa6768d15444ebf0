#pragma once

#include <cstdint>

#include "app/dialogs/dialog_conventions.h"

namespace vendrel {

// The thread-count dialog: one integer from 0 to 2147483647.
class COpenMPDlg : public ParameterDialog {
  public:
    COpenMPDlg(WindowServices& services, std::int32_t thread_count, QWidget* parent = nullptr);
    std::int32_t thread_count() const { return thread_count_; }

  private:
    std::int32_t thread_count_;
};

}  // namespace vendrel
