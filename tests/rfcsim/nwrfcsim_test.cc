// The NetWeaver stand-in held against the SDK's own documentation: it
// converts where the SDK's header says the SDK converts, refuses where it
// refuses, and waits at its first logon for the ICU libraries as the SDK's
// message box does.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/temp_drives.h"
#include "rfc/sap_characters.h"
#include "rfc/sapnwrfc.h"
#include "rfcsim/fresh_stand_ins.h"
#include "rfcsim_control.h"

namespace quillar {
namespace {

const char kSystem[] = "[T]\nashost = sapt\nsysnr = 0\nclient = 100\nuser = RFCUSER\npassword = Secret#1\n";

class NwRfcSimTest : public testing::Test {
 protected:
  void TearDown() override { close(); }

  // A logon to the system T of the landscape, as the bridge makes it.
  nwrfc::RFC_CONNECTION_HANDLE log_on(nwrfc::RFC_ERROR_INFO& error) {
    const SapText names[] = {to_sap_text("ashost"), to_sap_text("sysnr"), to_sap_text("client"),
                             to_sap_text("user"), to_sap_text("passwd")};
    const SapText values[] = {to_sap_text("sapt"), to_sap_text("00"), to_sap_text("100"), to_sap_text("RFCUSER"),
                              to_sap_text("Secret#1")};
    nwrfc::RFC_CONNECTION_PARAMETER parameters[5];
    for (int k = 0; k < 5; ++k) parameters[k] = {names[k].c_str(), values[k].c_str()};
    return nwrfc::RfcOpenConnection(parameters, 5, &error);
  }

  // A function of GET_LAN_SINGLE on a system whose LOCAL_REMOTE has the
  // dictionary type `type` ("INT 4", "BCD 8 2").
  nwrfc::RFC_FUNCTION_HANDLE function_with(const std::string& type) {
    close();
    drives_.write("c/work/RfcSim.ini", std::string(kSystem) + "field LOCAL_REMOTE = " + type + "\n");
    FreshStandIns::forget();
    nwrfc::RFC_ERROR_INFO error{};
    connection_ = log_on(error);
    EXPECT_NE(connection_, nullptr) << type;
    nwrfc::RFC_FUNCTION_DESC_HANDLE description =
        nwrfc::RfcGetFunctionDesc(connection_, to_sap_text("GET_LAN_SINGLE").c_str(), &error);
    function_ = nwrfc::RfcCreateFunction(description, &error);
    EXPECT_NE(function_, nullptr) << type;
    return function_;
  }

  void close() {
    nwrfc::RFC_ERROR_INFO ignored{};
    if (function_ != nullptr) nwrfc::RfcDestroyFunction(function_, &ignored);
    if (connection_ != nullptr) nwrfc::RfcCloseConnection(connection_, &ignored);
    function_ = nullptr;
    connection_ = nullptr;
  }

  TempDrives drives_;
  FreshStandIns stand_ins_;
  nwrfc::RFC_CONNECTION_HANDLE connection_ = nullptr;
  nwrfc::RFC_FUNCTION_HANDLE function_ = nullptr;
};

enum class Operation { kGetChars, kGetInt, kGetInt2, kGetInt8, kSetChars, kSetInt, kSetInt1, kSetInt2, kSetInt8 };

// One table for the stand-in's conversions, each row with what the SDK's
// header (release 7.50) documents for it; where the header says nothing,
// the row says what the stand-in does and why.
TEST_F(NwRfcSimTest, ConvertsWhereTheSdkConvertsAndRefusesWhereItRefuses) {
  using nwrfc::RFC_BUFFER_TOO_SMALL;
  using nwrfc::RFC_CONVERSION_FAILURE;
  using nwrfc::RFC_OK;
  const struct {
    const char* type;         // of the field
    const char* value;        // set first with RfcSetChars; null: the field's initial value
    Operation operation;      // what is tried
    std::string argument;     // a getter's buffer length, or the value set
    nwrfc::RFC_RC code;       // what it gives
    std::string result;       // what a getter gave, or what the field holds after a setter
    const char* sdk;          // what the SDK documents
  } cases[] = {
      {"INT 4", "4711", Operation::kGetChars, "10", RFC_OK, "4711      ",
       "RfcGetChars converts RFCTYPE_INTx: an INT4 of 4711 into SAP_CHAR[10] gives \"4711      \""},
      {"INT 4", "-4711", Operation::kGetChars, "4", RFC_BUFFER_TOO_SMALL, "",
       "RfcGetChars: a buffer too small gives RFC_BUFFER_TOO_SMALL"},
      {"INT1 1", "200", Operation::kGetChars, "3", RFC_OK, "200", "RfcGetChars converts RFCTYPE_INTx"},
      {"INT8 8", "-5000000000", Operation::kGetChars, "12", RFC_OK, "-5000000000 ",
       "RfcGetChars converts RFCTYPE_INTx, the rest of the buffer filled with trailing spaces"},
      {"NUMC 10", "4711", Operation::kGetChars, "10", RFC_OK, "0000004711", "RfcGetChars takes RFCTYPE_NUM"},
      {"NUMC 10", "4711", Operation::kGetChars, "8", RFC_BUFFER_TOO_SMALL, "",
       "RfcGetChars: a buffer too small gives RFC_BUFFER_TOO_SMALL"},
      {"CHAR 16", "eth0", Operation::kGetChars, "16", RFC_OK, "eth0            ",
       "RfcGetChars takes RFCTYPE_CHAR, the rest filled with trailing spaces"},
      {"CHAR 16", "eth0", Operation::kGetChars, "8", RFC_BUFFER_TOO_SMALL, "",
       "RfcGetChars: a buffer too small gives RFC_BUFFER_TOO_SMALL"},
      {"BCD 8 2", "12.5", Operation::kGetChars, "8", RFC_OK, "12.50   ", "RfcGetChars converts RFCTYPE_BCD"},
      {"FLOAT 8", "12.5", Operation::kGetChars, "24", RFC_OK, "1.2500000000000000E+01  ",
       "RfcGetChars converts RFCTYPE_FLOAT; the form is ABAP's scientific one"},

      {"NUMC 10", "4711", Operation::kGetInt, "", RFC_OK, "4711",
       "RfcGetInt of a character type performs an \"atoi-like\" conversion"},
      {"CHAR 8", " -42abc", Operation::kGetInt, "", RFC_OK, "-42",
       "RfcGetInt takes RFCTYPE_CHAR, atoi-like: up to the first character that is no digit"},
      {"CHAR 8", "eth0", Operation::kGetInt, "", RFC_OK, "0", "RfcGetInt, atoi-like: characters without digits are 0"},
      {"INT8 8", "7", Operation::kGetInt, "", RFC_OK, "7", "RfcGetInt takes RFCTYPE_INT8"},
      {"INT8 8", "5000000000", Operation::kGetInt, "", RFC_CONVERSION_FAILURE, "",
       "RfcGetInt gives an RFC_INT; a value beyond it cannot be converted"},
      {"BCD 8 2", "12.5", Operation::kGetInt, "", RFC_OK, "13",
       "RfcGetInt takes RFCTYPE_BCD; rounded half away from zero, as ABAP converts packed numbers to integers"},
      {"FLOAT 8", "-2.5", Operation::kGetInt, "", RFC_OK, "-3",
       "RfcGetInt takes RFCTYPE_FLOAT; rounded half away from zero, as ABAP converts floating point numbers"},
      {"NUMC 4", "12", Operation::kGetInt2, "", RFC_CONVERSION_FAILURE, "",
       "RfcGetInt2 lists the numbers alone, no RFCTYPE_NUM"},
      {"CHAR 4", "12", Operation::kGetInt2, "", RFC_CONVERSION_FAILURE, "",
       "RfcGetInt2 lists the numbers alone, no RFCTYPE_CHAR"},
      {"INT 4", "40000", Operation::kGetInt2, "", RFC_CONVERSION_FAILURE, "",
       "RfcGetInt2: the value must be between -32768 and 32767"},
      {"INT8 8", "-32768", Operation::kGetInt2, "", RFC_OK, "-32768", "RfcGetInt2 takes RFCTYPE_INT8"},
      {"BCD 3 0", "99999", Operation::kGetInt2, "", RFC_CONVERSION_FAILURE, "",
       "RfcGetInt2 takes RFCTYPE_BCD; the value must be between -32768 and 32767"},
      {"NUMC 12", "123456789012", Operation::kGetInt8, "", RFC_OK, "123456789012", "RfcGetInt8 takes RFCTYPE_NUM"},
      {"BCD 16 0", "1234567890123456789012345", Operation::kGetInt8, "", RFC_CONVERSION_FAILURE, "",
       "RfcGetInt8 takes RFCTYPE_BCD; a value beyond 64 bits cannot be converted"},
      {"FLOAT 8", "1e30", Operation::kGetInt8, "", RFC_CONVERSION_FAILURE, "",
       "RfcGetInt8 takes RFCTYPE_FLOAT; a value beyond 64 bits cannot be converted"},

      {"INT2 2", nullptr, Operation::kSetInt, "1", RFC_OK, "1", "RfcSetInt takes RFCTYPE_INTx (release 7.50)"},
      {"INT2 2", nullptr, Operation::kSetInt, "40000", RFC_CONVERSION_FAILURE, "",
       "RfcSetInt: an INT2 field cannot hold 40000"},
      {"INT1 1", nullptr, Operation::kSetInt2, "255", RFC_OK, "255", "RfcSetInt2 takes RFCTYPE_INTx (release 7.50)"},
      {"INT1 1", nullptr, Operation::kSetInt, "-1", RFC_CONVERSION_FAILURE, "",
       "RfcSetInt: an INT1 field holds 0 to 255"},
      {"INT 4", nullptr, Operation::kSetInt1, "200", RFC_OK, "200", "RfcSetInt1 takes RFCTYPE_INTx (release 7.50)"},
      {"INT8 8", nullptr, Operation::kSetInt, "-7", RFC_OK, "-7", "RfcSetInt takes RFCTYPE_INTx"},
      {"INT 4", nullptr, Operation::kSetInt8, "-2147483648", RFC_OK, "-2147483648", "RfcSetInt8 takes RFCTYPE_INTx"},
      {"CHAR 6", nullptr, Operation::kSetInt, "4711", RFC_OK, "4711", "RfcSetInt takes RFCTYPE_CHAR"},
      {"CHAR 2", nullptr, Operation::kSetInt, "4711", RFC_CONVERSION_FAILURE, "",
       "the header says nothing of a number longer than the field; the stand-in refuses it, as it refuses every "
       "value a field cannot hold"},
      {"NUMC 4", nullptr, Operation::kSetInt, "42", RFC_CONVERSION_FAILURE, "",
       "RfcSetInt lists RFCTYPE_CHAR, STRING, INTx and DECFxx, no RFCTYPE_NUM"},
      {"BCD 8 2", nullptr, Operation::kSetInt8, "42", RFC_CONVERSION_FAILURE, "",
       "RfcSetInt8 lists no RFCTYPE_BCD"},
      {"FLOAT 8", nullptr, Operation::kSetInt, "42", RFC_CONVERSION_FAILURE, "", "RfcSetInt lists no RFCTYPE_FLOAT"},

      {"INT 4", nullptr, Operation::kSetChars, " 42 ", RFC_OK, "42",
       "RfcSetChars into a number: the library tries to convert the string to a number"},
      {"INT 4", nullptr, Operation::kSetChars, "LOCAL", RFC_CONVERSION_FAILURE, "",
       "RfcSetChars: a value that cannot be converted gives a conversion error"},
      {"INT2 2", nullptr, Operation::kSetChars, "40000", RFC_CONVERSION_FAILURE, "",
       "RfcSetChars: a value that cannot be converted gives a conversion error"},
      {"NUMC 4", nullptr, Operation::kSetChars, "12a", RFC_CONVERSION_FAILURE, "",
       "RfcSetChars: a NUMC field holds digits alone"},
      {"BCD 8 2", nullptr, Operation::kSetChars, "-12.5", RFC_OK, "-12.50", "RfcSetChars converts into RFCTYPE_BCD"},
      {"BCD 8 2", nullptr, Operation::kSetChars, "1.234", RFC_CONVERSION_FAILURE, "",
       "the header says nothing of more decimals than the field has; the stand-in refuses them rather than round"},
      {"FLOAT 8", nullptr, Operation::kSetChars, "2.5", RFC_OK, "2.5", "RfcSetChars converts into RFCTYPE_FLOAT"},
      {"CHAR 6", nullptr, Operation::kSetChars, "LOCAL_REMOTE", RFC_BUFFER_TOO_SMALL, "",
       "the header says nothing of characters beyond a CHAR field; the stand-in refuses them rather than cut"},
  };
  for (const auto& c : cases) {
    const std::string name = std::string(c.type) + (c.value != nullptr ? " holding \"" + std::string(c.value) + "\"" : "") +
                             ", operation " + std::to_string(static_cast<int>(c.operation)) + " " + c.argument +
                             " (the SDK: " + c.sdk + ")";
    nwrfc::RFC_FUNCTION_HANDLE function = function_with(c.type);
    const SapText field = to_sap_text("LOCAL_REMOTE");
    nwrfc::RFC_ERROR_INFO error{};
    if (c.value != nullptr) {
      const SapText value = to_sap_text(c.value);
      ASSERT_EQ(nwrfc::RfcSetChars(function, field.c_str(), value.c_str(), static_cast<unsigned>(value.size()), &error),
                RFC_OK)
          << name;
    }
    const std::size_t seen_before = rfcsim::nw_seen().parameters.size();
    std::string result;
    nwrfc::RFC_RC code = RFC_OK;
    switch (c.operation) {
      case Operation::kGetChars: {
        nwrfc::SAP_UC buffer[64];
        const unsigned length = static_cast<unsigned>(std::stoul(c.argument));
        code = nwrfc::RfcGetChars(function, field.c_str(), buffer, length, &error);
        if (code == RFC_OK) result = from_sap_text(buffer, length);
        break;
      }
      case Operation::kGetInt: {
        nwrfc::RFC_INT number = 0;
        code = nwrfc::RfcGetInt(function, field.c_str(), &number, &error);
        if (code == RFC_OK) result = std::to_string(number);
        break;
      }
      case Operation::kGetInt2: {
        nwrfc::RFC_INT2 number = 0;
        code = nwrfc::RfcGetInt2(function, field.c_str(), &number, &error);
        if (code == RFC_OK) result = std::to_string(number);
        break;
      }
      case Operation::kGetInt8: {
        nwrfc::RFC_INT8 number = 0;
        code = nwrfc::RfcGetInt8(function, field.c_str(), &number, &error);
        if (code == RFC_OK) result = std::to_string(number);
        break;
      }
      case Operation::kSetChars: {
        const SapText value = to_sap_text(c.argument);
        code = nwrfc::RfcSetChars(function, field.c_str(), value.c_str(), static_cast<unsigned>(value.size()), &error);
        break;
      }
      case Operation::kSetInt:
        code = nwrfc::RfcSetInt(function, field.c_str(), static_cast<nwrfc::RFC_INT>(std::stoll(c.argument)), &error);
        break;
      case Operation::kSetInt1:
        code = nwrfc::RfcSetInt1(function, field.c_str(), static_cast<nwrfc::RFC_INT1>(std::stoll(c.argument)), &error);
        break;
      case Operation::kSetInt2:
        code = nwrfc::RfcSetInt2(function, field.c_str(), static_cast<nwrfc::RFC_INT2>(std::stoll(c.argument)), &error);
        break;
      case Operation::kSetInt8:
        code = nwrfc::RfcSetInt8(function, field.c_str(), std::stoll(c.argument), &error);
        break;
    }
    EXPECT_EQ(code, c.code) << name;
    EXPECT_EQ(error.code, c.code) << name << ": the error information tells the same";
    const auto& seen = rfcsim::nw_seen().parameters;
    if (c.operation >= Operation::kSetChars) {
      if (code == RFC_OK) {
        ASSERT_EQ(seen.size(), seen_before + 1) << name;
        result = seen.back().second;
      } else {
        EXPECT_EQ(seen.size(), seen_before) << name << ": a refused value is not set";
      }
    }
    EXPECT_EQ(result, c.result) << name;
  }
}

TEST_F(NwRfcSimTest, AFieldThatTheFunctionLacksIsAnInvalidParameter) {
  nwrfc::RFC_FUNCTION_HANDLE function = function_with("INT 4");
  nwrfc::RFC_ERROR_INFO error{};
  nwrfc::RFC_INT number = 0;
  EXPECT_EQ(nwrfc::RfcGetInt(function, to_sap_text("NOPE").c_str(), &number, &error), nwrfc::RFC_INVALID_PARAMETER);
  EXPECT_EQ(from_sap_text(error.message, 512), "field 'NOPE' not found");
}

// libsapucum.dll loads the ICU libraries at the first logon and, when one
// is missing, shows a message box that holds the logon until someone
// closes it. The stand-in playing a sapnwrfc.dll of a folder holds its
// first logon until the three are there, of any version.
TEST_F(NwRfcSimTest, TheFirstLogonWaitsForTheIcuLibrariesBesideIt) {
  TempFolder sdk;
  for (const char* name : {"sapnwrfc.dll", "icuuc50.dll", "icudt50.dll", "icuin.dll", "icuin50.dll.bak"}) {
    std::ofstream(sdk.path() / name) << "stand-in\n";
  }
  drives_.write("c/work/RfcSim.ini", kSystem);
  rfcsim::nw_play_loaded_from(sdk.path().string());
  std::atomic<bool> returned{false};
  nwrfc::RFC_CONNECTION_HANDLE connection = nullptr;
  std::thread logon([&] {
    nwrfc::RFC_ERROR_INFO error{};
    connection = log_on(error);
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_FALSE(returned) << "neither an unversioned icuin.dll nor icuin50.dll.bak is an ICU library";
  std::ofstream(sdk.path() / "ICUIN57.DLL") << "stand-in\n";
  logon.join();
  EXPECT_TRUE(returned);
  EXPECT_NE(connection, nullptr) << "the logon goes on once they are there";
  connection_ = connection;
}

}  // namespace
}  // namespace quillar
