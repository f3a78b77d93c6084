#include "driver/run_settings.h"

namespace quillar {

std::string make_banner_line(const std::string& time_of_day) {
  return "* " + time_of_day + " SAP " + kProgramWord + " " + kVersionText;
}

}  // namespace quillar
