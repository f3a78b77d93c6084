#include "output/channel_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "driver/options.h"

namespace quillar {
namespace {

struct Channel {
  std::string key, label, value, unit;
};

// The text that a run's channels append, in order, to an empty document.
std::string channels_written(std::string_view mode, std::string_view options,
                             const std::vector<Channel>& channels) {
  Options read = read_options(options);
  ResultDocument document(document_format(find_mode(mode).value(), read.channel_selection, read.selected_channel));
  ChannelWriter writer;
  for (const Channel& c : channels) writer.write_channel(document, c.key, c.label, c.value, c.unit);
  return document.text();
}

TEST(ChannelWriterTest, WritesOneChannelInTheFormOfTheFraming) {
  const struct {
    const char* mode;
    Channel channel;
    const char* written;
  } cases[] = {
      {"EXEXML", {"", "Out-Errors", "0", ""},
       "\n<Result><Channel>Out-Errors</Channel>\n<Value>0</Value></Result>\n"},
      {"Dravik", {"", "Out-Errors", "0", ""},
       "\n<Result><Channel>Out-Errors</Channel>\n<Value>0</Value></Result>\n"},
      {"EXEXML", {"", "Load", "7", "PerCent"},
       "\n<Result><Channel>Load</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>PerCent</CustomUnit>"
       "\n<Value>7</Value></Result>\n"},
      {"Quendal", {"key", "A & <B>", "1", "TimeResponse"},
       "\n<Result><Channel>A &amp; &lt;B&gt;</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>TimeResponse"
       "</CustomUnit>\n<Value>1</Value></Result>\n"},
      {"Mervesk", {"", "In-Packets/Sec", "17", ""},
       "\n\nMessage.In_Packets_Sec: In-Packets/Sec (#)\nStatistic.In_Packets_Sec: 17"},
      {"Mervesk", {"a.b.c", "Label", "5", "PerCent"},
       "\n\nMessage.a_b.c: Label (%)\nStatistic.a_b.c: 5"},
      {"Mervesk", {"", "Collision(s)", "0", "TimeResponse"},
       "\n\nMessage.Collision(s): Collision(s) (mSec)\nStatistic.Collision(s): 0"},
      {"Mervesk", {"PRD.P00 [x]\\y-z", "PRD.P00", "3", "Bytes"},
       "\n\nMessage.PRD_P00__x__y_z: PRD.P00 (Bytes)\nStatistic.PRD_P00__x__y_z: 3"},
      {"Tolvane", {"", "Packets/Sec", "42", ""}, "\n> Packets/Sec: 42 #"},
      {"Tolvane", {"k", "Load", "9", "PerCent"}, "\n> Load: 9 %"},
      {"Tolvane", {"", "R&D<x>", "1", ""}, "\n> R&D<x>: 1 #"},
      {"Mervesk", {"", "R&D", "1", ""}, "\n\nMessage.R&D: R&D (#)\nStatistic.R&D: 1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(channels_written(c.mode, "", {c.channel}), c.written) << c.mode << " " << c.channel.label;
  }
}

TEST(ChannelWriterTest, StatisticLinesStopAfterTenChannelsButEveryCallCounts) {
  ResultDocument document(document_format(Mode::kMervesk));
  ChannelWriter writer;
  for (int i = 1; i <= 10; ++i) writer.write_channel(document, "", "c" + std::to_string(i), "1", "");
  std::string after_ten = document.text();
  EXPECT_NE(after_ten.find("Message.c10: c10"), std::string::npos);
  writer.write_channel(document, "", "c11", "1", "");
  writer.write_channel(document, "", "c12", "1", "");
  EXPECT_EQ(document.text(), after_ten);
  EXPECT_EQ(writer.channel_counter(), 12);

  ResultDocument xml;
  ChannelWriter xml_writer;
  for (int i = 1; i <= 12; ++i) xml_writer.write_channel(xml, "", "c" + std::to_string(i), "1", "");
  EXPECT_NE(xml.text().find("<Channel>c12</Channel>"), std::string::npos);
}

TEST(ChannelWriterTest, ValueLinesWithChWriteOnlyTheSelectedValue) {
  const std::vector<Channel> six = {{"", "a", "11", ""}, {"", "b", "22", ""}, {"", "c", "33", ""},
                                    {"", "d", "44", ""}, {"", "e", "55", ""}, {"", "f", "66", ""}};
  const struct {
    const char* options;
    const char* written;
  } cases[] = {
      {"CH=2", "22"},   {"ch=6", "66"},   {"LAN=1,CH=1,X", "11"}, {"CH=7", ""},
      {"CH=,", ""},     {"CH=x", ""},     {"CH=0", ""},           {"CH=-1", ""},
      {"CH=006", "66"}, {"CH=0061", "66"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(channels_written("Tolvane", c.options, six), c.written) << c.options;
  }
  // Other framings ignore the selection.
  EXPECT_EQ(channels_written("Mervesk", "CH=2", {six[0]}),
            "\n\nMessage.a: a (#)\nStatistic.a: 11");
}

TEST(ChannelWriterTest, ChSelectsByTheCountOfTheWholeRun) {
  std::vector<Channel> channels(130, Channel{"", "x", "v", ""});
  channels[122].value = "the 123rd";
  EXPECT_EQ(channels_written("Tolvane", "CH=1234", channels), "the 123rd");
}

TEST(ChannelWriterTest, CutsOverlongTextsInsteadOfOverrunning) {
  std::string long_label(300, 'L');
  std::string written = channels_written("Mervesk", "", {{"", long_label, std::string(300, '9'), ""}});
  EXPECT_EQ(written, "\n\nMessage." + std::string(123, 'L') + ": " + std::string(123, 'L') +
                         " (#)\nStatistic." + std::string(123, 'L') + ": " + std::string(111, '9'));
}

TEST(ChannelWriterTest, GroupsDigitsByThousands) {
  const struct {
    const char* digits;
    const char* grouped;
  } cases[] = {
      {"", ""},
      {"0", "0"},
      {"999", "999"},
      {"1234", "1.234"},
      {"123456", "123.456"},
      {"1234567", "1.234.567"},
      {"4294967295", "4294.967.295"},
      {"12345678901", "12345.678.901"},
  };
  for (const auto& c : cases) EXPECT_EQ(group_digits(c.digits), c.grouped) << c.digits;
}

}  // namespace
}  // namespace quillar
