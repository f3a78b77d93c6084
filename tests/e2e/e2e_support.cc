#include "e2e/e2e_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

namespace quillar::e2e {
namespace {

std::unique_ptr<SensorHost> the_host;

class HostEnvironment : public testing::Environment {
 public:
  void SetUp() override { the_host = std::make_unique<SensorHost>(); }
  void TearDown() override { the_host.reset(); }
};

}  // namespace

SensorHost& host() { return *the_host; }

bool behind_netweaver_bridge() {
  const char* library = std::getenv("QUILLAR_E2E_RFC_LIBRARY");
  return library != nullptr && std::string(library) == "nwrfc";
}

std::string with_times_masked(std::string text) {
  auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
  for (std::size_t i = 0; i + 8 <= text.size(); ++i) {
    if (digit(i) && digit(i + 1) && text[i + 2] == ':' && digit(i + 3) && digit(i + 4) && text[i + 5] == ':' &&
        digit(i + 6) && digit(i + 7)) {
      text.replace(i, 8, "hh:mm:ss");
    }
  }
  return text;
}

std::string error_document(const std::string& text) {
  return "<Prtg>\n<Error>1</Error>\n<Text>" + text + "</Text>\n</Prtg>\n";
}

std::string read_local(const std::filesystem::path& path) {
  if (!std::filesystem::is_regular_file(path)) return std::string();
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string shell_quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::optional<ProcessResult> run_in_own_mounts(const std::string& prelude, const std::string& program,
                                               const std::vector<std::string>& arguments,
                                               const std::string& working_dir) {
  if (host().run_program("/usr/bin/unshare", {"-m", "true"}, working_dir).exit_code != 0) return std::nullopt;
  std::string script = prelude + "; exec " + shell_quoted(program);
  for (const std::string& argument : arguments) script += " " + shell_quoted(argument);
  return host().run_program("/usr/bin/unshare", {"-m", "/bin/sh", "-c", script}, working_dir);
}

std::string profile(const std::string& destination, const std::string& client, const std::string& host,
                    const std::string& sysnr, const std::string& password) {
  return "Destination: " + destination + "\r\nClient.....: " + client + "\r\nUser.......: rfcuser\r\n" +
         "Password...: " + password + "\r\nLanguage...: E\r\nMode.......: R/3\r\nHostname...: " + host +
         "\r\nSysnr......: " + sysnr + "\r\nGwhost.....: " + host + "\r\nGwservice..: sapgw" + sysnr +
         "\r\nExtcompany.: ACME\r\n";
}

std::string landscape_system(const std::string& name, const std::string& host, const std::string& sysnr,
                             const std::string& more) {
  return "[" + name + "]\nashost = " + host + "\nsysnr = " + sysnr +
         "\nclient = 100\nuser = RFCUSER\npassword = Secret#1\n" + more;
}

std::string expected_output(const std::string& name) {
  std::string path = std::string(QUILLAR_E2E_EXPECTED) + "/" + name + ".txt";
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "no expected output " << path;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void record_output(const std::string& name, const std::string& output) {
  if (std::getenv("QUILLAR_E2E_RECORD") == nullptr || host().under_wine()) return;
  std::ofstream(std::string(QUILLAR_E2E_EXPECTED) + "/" + name + ".txt", std::ios::binary) << output;
}

}  // namespace quillar::e2e

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(new quillar::e2e::HostEnvironment());
  return RUN_ALL_TESTS();
}
