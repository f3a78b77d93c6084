#include "driver/error_document.h"

#include "output/result_document.h"
#include "base/status.h"

namespace quillar {

int end_with_error_document(Platform& platform, std::string_view error_text) {
  ResultDocument document;
  document.write_error_document(error_text);
  platform.write_console(document.text());
  return kExitErrorDocument;
}

}  // namespace quillar
