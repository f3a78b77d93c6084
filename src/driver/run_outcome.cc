#include "driver/run_outcome.h"

#include "output/result_document.h"

namespace quillar {

int finish_run(Platform& console, const RunOutcome& outcome) {
  if (!outcome.status().is_ok()) {
    ResultDocument document;
    document.write_error_document(outcome.status().text());
    console.write_console(document.text());
  }
  return outcome.exit_code();
}

}  // namespace quillar
