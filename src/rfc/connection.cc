#include "rfc/connection.h"

#include <climits>
#include <optional>
#include <string_view>

#include "base/texts.h"

namespace quillar {
namespace {

// The user and password fields of a logon record hold at least this many
// characters; shorter values are filled with blanks.
constexpr std::size_t kUserField = 12;
constexpr std::size_t kPasswordField = 10;

char* text_or_null(std::string& text) { return text.empty() ? nullptr : text.data(); }

// Every field of the records comes from these entries and the options alone:
// nothing of an earlier system's logon survives into this one.
void fill_records(const LogonOverrides& overrides, const LogonEntries& entries, LogonRecords& records) {
  records = LogonRecords();
  records.destination = entries.destination;
  records.client = entries.client;
  records.user = entries.user;
  records.password = entries.password;
  records.language = entries.language;
  records.mode = entries.mode;
  records.hostname = entries.hostname;
  records.sysnr = entries.sysnr;
  records.gwhost = entries.gwhost;
  records.gwservice = entries.gwservice;
  if (overrides.hostname) records.hostname = *overrides.hostname;
  if (overrides.sysnr) records.sysnr = *overrides.sysnr;
  if (records.user.size() < kUserField) records.user.resize(kUserField, ' ');
  if (records.password.size() < kPasswordField) records.password.resize(kPasswordField, ' ');

  RFC_OPTIONS& options = records.options;
  options.destination = records.destination.data();
  options.client = records.client.data();
  options.user = records.user.data();
  options.password = records.password.data();
  options.language = records.language.data();
  if (records.mode == "R/2") {
    options.mode = 1;
    records.gateway.gateway_host = text_or_null(records.gwhost);
    records.gateway.gateway_service = text_or_null(records.gwservice);
    options.connopt = &records.gateway;
  } else {
    options.mode = 0;
    records.server.hostname = text_or_null(records.hostname);
    long number = leading_integer(records.sysnr);
    records.server.sysnr = static_cast<int>(number < INT_MIN ? INT_MIN : number > INT_MAX ? INT_MAX : number);
    records.server.gateway_host = text_or_null(records.gwhost);
    records.server.gateway_service = text_or_null(records.gwservice);
    options.connopt = &records.server;
  }
  options.trace = 0;
}

// The run's own destinations file, which the library reads in place of the
// working directory's through RFC_INI while this lives: runs started side by
// side in one working directory each rewrite "SapRfc.ini", and a library
// that read that file could find another run's destination in it. When this
// ends, the file is gone and RFC_INI is again what it was, on every way out
// of the logon but the end of the process.
class PrivateDestinations {
 public:
  static std::optional<PrivateDestinations> make(Platform& platform, Folder& working, std::string_view content) {
    std::optional<std::string> name = write_private_destinations(platform, working, content);
    if (!name) return std::nullopt;
    PrivateDestinations own(platform, working, *name);
    if (!platform.set_environment_variable(kDestinationsVariable, *name)) return std::nullopt;
    return own;
  }
  PrivateDestinations(PrivateDestinations&& other) noexcept
      : platform_(other.platform_), working_(other.working_), name_(std::move(other.name_)),
        previous_(std::move(other.previous_)) {
    other.name_.clear();
  }
  PrivateDestinations& operator=(PrivateDestinations&&) = delete;
  ~PrivateDestinations() {
    if (name_.empty()) return;
    platform_.set_environment_variable(kDestinationsVariable, previous_);
    working_.remove_file(name_);
  }

 private:
  PrivateDestinations(Platform& platform, Folder& working, std::string name)
      : platform_(platform), working_(working), name_(std::move(name)),
        previous_(platform.environment_variable(kDestinationsVariable)) {}
  Platform& platform_;
  Folder& working_;
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace

LogonRoute LogonRoute::choose(const RfcContext& context, const std::string& destination) {
  LogonRoute route;
  if (std::unique_ptr<Folder> folder = context.platform.open_folder(context.destination_folder)) {
    route.destination_file_ = folder->open_file(kDestinationFilePrefix + destination);
  }
  return route;
}

RFC_HANDLE open_sap_connection(RfcContext& context, const LogonEntries& entries, LogonRoute route,
                               LogonRecords& records) {
  fill_records(context.overrides, entries, records);

  std::unique_ptr<ReadableFile> destination_file = std::move(route.destination_file_);
  if (!destination_file) {
    RFC_HANDLE handle = context.rfc.RfcOpen(&records.options);
    context.log.log_event(static_cast<int>(handle), "RfcOpen called", "");
    return handle;
  }

  std::unique_ptr<Folder> working = context.platform.open_folder("");
  const auto not_written = [&](std::string_view name) {
    records.unwritten = report_working_file_unwritable(context.platform, working.get(), name);
    return RFC_HANDLE{0};
  };
  if (!working) return not_written(kDestinationsFile);
  const std::string content = read_rest(*destination_file);
  destination_file.reset();
  // A copy that was not written whole would hand the library another
  // destination than the administrator's, so it counts as not created.
  if (!replace_destinations_file(context.platform, *working, content)) return not_written(kDestinationsFile);
  std::optional<PrivateDestinations> own = PrivateDestinations::make(context.platform, *working, content);
  if (!own) return not_written("the run's own copy of SapRfc.ini");

  // The library takes the server from its destination entry and the logon
  // from the profile; the language is always German, as the destination
  // files of existing installations expect.
  records.connect_string = "CLIENT=" + entries.client + " USER=" + entries.user + " PASSWD=" +
                           entries.password + " LANG=D DEST=" + entries.destination;
  RFC_HANDLE handle = context.rfc.RfcOpenEx(records.connect_string.c_str(), &records.error_info);
  context.log.log_event(static_cast<int>(handle), "RfcOpenEx called", "");
  own.reset();
  // After the logon, so that the copies of runs that ended in the middle of
  // theirs never delay one.
  remove_stale_private_destinations(context.platform, *working);
  return handle;
}

}  // namespace quillar
