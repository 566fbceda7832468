// The simulated printer's answers, byte for byte, for the states a person or
// a test can put it in, and what the printer commands do to that state.
#include "outside/printer_sim/printer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "outside/printer_sim/printer_command.h"

namespace {

using twsim::Bytes;
using twsim::Printer;

std::string text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}
Bytes bytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Printer make(std::vector<std::string> assignments, const char* model = "kestrel-800") {
    Printer p(*twsim::find_model(model));
    auto refused = p.apply(assignments);
    EXPECT_FALSE(refused) << *refused;
    return p;
}

std::string status(Printer& p) {
    return text(p.status_reply(twsim::kStatusChannel));
}

std::string command(Printer& p, const Bytes& c) {
    auto reply = p.handle_commands(c);
    return reply ? text(*reply) : "<none>";
}

const std::string kHead = "@BDC ST\r\n";
const std::string kTail = "RV:0;TC:0000;\x0c";

struct StatusCase {
    const char* what;
    std::vector<std::string> assignments;
    std::string reply;
};

TEST(PrinterStatusTest, ReplyBytesForEachState) {
    const StatusCase cases[] = {
        {"fresh printer is ready and full", {}, kHead + "ST:04;IQ:64646464;" + kTail},
        {"printing", {"printing=1"}, kHead + "ST:03;IQ:64646464;" + kTail},
        {"paper jam", {"jam=1"}, kHead + "ST:00;ER:04;IQ:64646464;" + kTail},
        {"paper out", {"paperout=1"}, kHead + "ST:00;ER:06;IQ:64646464;" + kTail},
        {"a jam outranks paper out", {"paperout=1", "jam=1"}, kHead + "ST:00;ER:04;IQ:64646464;" + kTail},
        {"black ink out", {"ink.black=0"}, kHead + "ST:00;ER:05;IQ:00646464;" + kTail},
        {"colour ink out", {"ink.yellow=0"}, kHead + "ST:00;ER:05;IQ:64646400;" + kTail},
        {"black ink low warns 10", {"ink.black=5"}, kHead + "ST:04;IQ:05646464;WR:10;" + kTail},
        {"low inks warn black first", {"ink.magenta=8", "ink.black=3"},
         kHead + "ST:04;IQ:03640864;WR:10,12;" + kTail},
        {"at the low level warns, above does not", {"ink.cyan=10", "ink.yellow=11"},
         kHead + "ST:04;IQ:640A640B;WR:11;" + kTail},
        {"low level 0 never warns", {"lowlevel=0", "ink.black=1"}, kHead + "ST:04;IQ:01646464;" + kTail},
        {"absent colour cartridge", {"ink.cyan=NA"}, kHead + "ST:00;ER:05;IQ:64NA6464;" + kTail},
        {"special items", {"ink.black=RE", "ink.cyan=WE", "ink.magenta=CI"},
         kHead + "ST:00;ER:05;IQ:REWECI64;" + kTail},
        {"all inks at once by index and by all", {"ink.all=50", "ink.2=7"},
         kHead + "ST:04;IQ:32320732;WR:12;" + kTail},
        {"levels above 100 are sent as they are", {"ink.black=200"}, kHead + "ST:04;IQ:C8646464;" + kTail},
        {"explicit error makes the state 00", {"er=16"}, kHead + "ST:00;ER:10;IQ:64646464;" + kTail},
        {"explicit state leaves ER out", {"st=8", "jam=1"}, kHead + "ST:08;IQ:64646464;" + kTail},
        {"explicit state and error", {"st=2", "error=0x1C"}, kHead + "ST:02;ER:1C;IQ:64646464;" + kTail},
        {"er none hides the jam's error", {"jam=1", "er=none"}, kHead + "ST:00;IQ:64646464;" + kTail},
        {"explicit warnings", {"wr=16,17"}, kHead + "ST:04;IQ:64646464;WR:10,11;" + kTail},
        {"warnings switched off", {"wr=none", "ink.black=2"}, kHead + "ST:04;IQ:02646464;" + kTail},
        {"RV, TC and RC", {"rv=3", "tc=0x12AB", "rc=1"}, kHead + "ST:04;IQ:64646464;RV:3;TC:12AB;RC:01;\x0c"},
        {"RV and TC left out", {"rv=none", "tc=none"}, kHead + "ST:04;IQ:64646464;\x0c"},
    };
    for (const auto& c : cases) {
        Printer p = make(c.assignments);
        EXPECT_EQ(status(p), c.reply) << c.what;
    }
}

TEST(PrinterStatusTest, ModelsReportOneItemPerInkAndColourWarningCodesFollowTheirOrder) {
    Printer six = make({"ink.lightmagenta=4"}, "Kestrel 860");
    EXPECT_EQ(status(six), kHead + "ST:04;IQ:646464646404;WR:15;" + kTail);
    Printer seven = make({"ink.darkyellow=9", "ink.black=9"}, "kestrel-870");
    EXPECT_EQ(status(seven), kHead + "ST:04;IQ:09646464646409;WR:10,16;" + kTail);
}

TEST(PrinterStatusTest, RecordChannelGivesTheRecordReply) {
    Printer p = make({"jam=1", "hbm=22"});
    const std::uint8_t expected[] = {'h', 'b', 'm', 0x01, 0x02, 0x00, 0x04, 0xFE, 0x01, 22, 0xFF, 0x00};
    EXPECT_EQ(p.status_reply(twsim::kRecordStatusChannel), Bytes(std::begin(expected), std::end(expected)));
    Printer ready = make({});
    Bytes r = ready.status_reply(twsim::kRecordStatusChannel);
    ASSERT_EQ(r.size(), 12u);
    EXPECT_EQ(r[5], 0x04);
    EXPECT_EQ(r[6], 0xFF) << "no ER is sent as FF";
    // Every other channel gives the text reply.
    EXPECT_EQ(text(ready.status_reply(twsim::kCommandStatusChannel)), status(ready));
}

TEST(PrinterStatusTest, ChannelTableOffersWhatTheMonitorSelects) {
    Printer p = make({});
    auto offers = [&](std::uint32_t number, std::uint16_t required) {
        const auto* e = p.find_channel(number);
        return e && (e->mode & required) == required;
    };
    // Status candidates in the monitor's order: channel 4 is found first.
    EXPECT_TRUE(offers(4, 4));
    // The command channel takes commands and returns replies.
    EXPECT_TRUE(offers(0x10000005, 3));
    // The ink dialogs look for status on 0x10000005, then 0x10010003.
    EXPECT_FALSE(offers(0x10000005, 4));
    EXPECT_TRUE(offers(0x10010003, 4));
    EXPECT_TRUE(offers(0x10000003, 4));
    EXPECT_TRUE(offers(0x02000001, 4));
    EXPECT_FALSE(offers(5, 0));
    auto table = twsim::encode_channel_table(p.channels());
    ASSERT_EQ(table.size(), 5u * 8u);
    const std::uint8_t first[] = {0x04, 0, 0, 0, 0x04, 0x00, 0, 0};
    const std::uint8_t second[] = {0x05, 0, 0, 0x10, 0x03, 0x00, 0, 0};
    EXPECT_TRUE(std::equal(std::begin(first), std::end(first), table.begin()));
    EXPECT_TRUE(std::equal(std::begin(second), std::end(second), table.begin() + 8));
}

TEST(PrinterStatusTest, DeviceIdIsLengthPrefixedWithItsKeys) {
    Printer p = make({}, "kestrel-860");
    Bytes id = p.device_id();
    ASSERT_GE(id.size(), 2u);
    EXPECT_EQ((id[0] << 8) | id[1], static_cast<int>(id.size())) << "the length counts its own two bytes";
    std::string s(id.begin() + 2, id.end());
    EXPECT_EQ(s, "MFG:KAVRO;CMD:KPL2,BDC;MDL:Kestrel 860;CLS:PRINTER;DES:KAVRO Kestrel 860;");
}

const std::string kInkHead = "@BDC PS\r\nII:01;";
const std::string kBlackRecord = "PDY:1A;PDM:03;IC1:0123;IC2:0456;IK1:01;IK2:02;LOG:KAVRO;";
const std::string kColourRecord = "PDY:1A;PDM:02;IC1:0124;IC2:0457;IK1:01;IK2:03;LOG:KAVRO;";

TEST(PrinterCommandTest, InkInformationHasOneRecordPerPresentCartridge) {
    const StatusCase cases[] = {
        {"both cartridges", {}, kInkHead + kBlackRecord + kColourRecord + "\x0c"},
        {"black absent: colour record only", {"ink.black=NA"}, kInkHead + kColourRecord + "\x0c"},
        {"one colour absent: black record only", {"ink.yellow=NA"}, kInkHead + kBlackRecord + "\x0c"},
        {"an empty cartridge is still present", {"ink.black=0", "ink.cyan=RE"},
         kInkHead + kBlackRecord + kColourRecord + "\x0c"},
        {"none present", {"ink.all=NA"}, "@BDC PS\r\nII:NA;\x0c"},
        {"chip data as set",
         {"ink.cyan=NA", "cart.black.year=5", "cart.black.month=10", "cart.black.ic1=0x0ABC", "cart.black.ic2=7",
          "cart.black.ik1=255", "cart.black.ik2=0", "cart.black.maker=Refill Co"},
         kInkHead + "PDY:05;PDM:0A;IC1:0ABC;IC2:0007;IK1:FF;IK2:00;LOG:Refill Co;\x0c"},
    };
    for (const auto& c : cases) {
        Printer p = make(c.assignments);
        EXPECT_EQ(command(p, twsim::command_ink_information()), c.reply) << c.what;
    }
}

TEST(PrinterCommandTest, InkRemainAmountsFollowTheLowestLevelOrWhatWasSet) {
    const StatusCase cases[] = {
        {"full", {}, "@BDC PS\r\nIR:00640064;\x0c"},
        {"colour amount is its lowest ink", {"ink.black=30", "ink.cyan=50", "ink.magenta=20"},
         "@BDC PS\r\nIR:001E0014;\x0c"},
        {"absent cartridge cannot tell", {"ink.black=NA"}, "@BDC PS\r\nIR:NAVL0064;\x0c"},
        {"a special colour item cannot tell", {"ink.magenta=CI"}, "@BDC PS\r\nIR:0064NAVL;\x0c"},
        {"set amounts", {"remain.black=busy", "remain.color=250"}, "@BDC PS\r\nIR:BUSY00FA;\x0c"},
        {"set back to auto", {"remain.black=navl", "remain.black=auto", "ink.black=9"},
         "@BDC PS\r\nIR:00090064;\x0c"},
    };
    for (const auto& c : cases) {
        Printer p = make(c.assignments);
        std::string r = command(p, twsim::command_ink_remain());
        EXPECT_EQ(r, c.reply) << c.what;
        ASSERT_GE(r.size(), 21u) << c.what;
        EXPECT_EQ(r[20], ';') << c.what;
    }
}

TEST(PrinterCommandTest, CartridgeCheckIsAcknowledged) {
    Printer p = make({});
    EXPECT_EQ(command(p, twsim::command_cartridge_check()), "ex:00:OK;\x0c");
}

TEST(PrinterCommandTest, PaperOutReturnClearsPaperOutOnly) {
    Printer p = make({"paperout=1"});
    EXPECT_EQ(command(p, twsim::command_paper_jam_return()), "pj:01:OK;\x0c");
    EXPECT_NE(status(p).find("ER:06;"), std::string::npos) << "pj does not load paper";
    EXPECT_EQ(command(p, twsim::command_paper_out_return()), "pe:01:OK;\x0c");
    EXPECT_EQ(status(p), kHead + "ST:04;IQ:64646464;" + kTail);
    EXPECT_FALSE(p.state().paper_out);

    Printer set_by_hand = make({"er=6"});
    command(set_by_hand, twsim::command_paper_out_return());
    EXPECT_EQ(status(set_by_hand), kHead + "ST:04;IQ:64646464;" + kTail);
}

TEST(PrinterCommandTest, PaperJamReturnClearsTheJamOnly) {
    Printer p = make({"jam=1", "paperout=1"});
    command(p, twsim::command_paper_out_return());
    EXPECT_NE(status(p).find("ER:04;"), std::string::npos) << "pe does not clear a jam";
    EXPECT_EQ(command(p, twsim::command_paper_jam_return()), "pj:01:OK;\x0c");
    EXPECT_EQ(status(p), kHead + "ST:04;IQ:64646464;" + kTail);
}

TEST(PrinterCommandTest, ResetEndsTheJobAndHandSetStateButNotPhysicalOnes) {
    Printer p = make({"printing=1", "st=7", "er=16"});
    EXPECT_EQ(command(p, twsim::command_reset()), "rs:01:OK;\x0c");
    EXPECT_EQ(status(p), kHead + "ST:04;IQ:64646464;" + kTail);
    EXPECT_FALSE(p.state().printing);

    Printer out_of_ink = make({"ink.black=0", "printing=1", "paperout=1"});
    command(out_of_ink, twsim::command_reset());
    EXPECT_EQ(status(out_of_ink), kHead + "ST:00;ER:06;IQ:00646464;" + kTail);
}

TEST(PrinterCommandTest, BadAndTruncatedCommandsGetTheDocumentedAnswer) {
    struct Case {
        const char* what;
        std::string sent;
        std::string reply;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {"nothing", "", "<none>"},
        {"one letter", "p", "<none>"},
        {"no length", "pe", "<none>"},
        {"half a length", "pe\x01", "<none>"},
        {"parameter missing", "pe\x01\x00"s, "<none>"},
        {"length far past the end", "ii\xff\xff\x01"s, "<none>"},
        {"not letters", "\x00\x01\x02\x03"s, "<none>"},
        {"letter then garbage", "p\x01\x00\x01"s, "<none>"},
        {"known command, no parameter", "pe\x00\x00"s, "pe:NA;\x0c"},
        {"known command, long parameter", "rs\x02\x00\x01\x01"s, "rs:NA;\x0c"},
        {"cartridge check, short parameter", "ex\x01\x00\x00"s, "ex:NA;\x0c"},
        {"unknown command", "zz\x00\x00"s, "zz:NA;\x0c"},
        {"letter case matters", "PE\x01\x00\x01"s, "PE:NA;\x0c"},
        {"two commands answer in turn", "rs\x01\x00\x01"s + "ex\x06\x00\x00\x00\x00\x00\x19\x00"s,
         "rs:01:OK;\x0c" "ex:00:OK;\x0c"},
        {"whole command before a cut one", "pe\x01\x00\x01pj\x01"s, "pe:01:OK;\x0c"},
        {"whole command before garbage", "pj\x01\x00\x01\xff\xfe"s, "pj:01:OK;\x0c"},
    };
    for (const auto& c : cases) {
        Printer p = make({"paperout=1"});
        EXPECT_EQ(command(p, bytes(c.sent)), c.reply) << c.what;
    }
}

TEST(PrinterControlTest, RefusedAssignmentsChangeNothingAndSayWhy) {
    struct Case {
        std::string assignment;
        std::string says;
    };
    const Case cases[] = {
        {"bogus=1", "unknown setting"},
        {"ink.black", "expected KEY=VALUE"},
        {"=5", "expected KEY=VALUE"},
        {"ink.black=253", "level 0 to 252"},
        {"ink.black=-1", "level 0 to 252"},
        {"ink.lightcyan=5", "no ink 'lightcyan'"},
        {"ink.4=5", "no ink '4'"},
        {"st=256", "number up to 255"},
        {"st=none", "number up to 255"},
        {"er=0x", "number up to 255"},
        {"rv=16", "number up to 15"},
        {"tc=65536", "number up to 65535"},
        {"wr=1,2,3,4,5,6,7,8,9,10,11", "at most 10"},
        {"wr=16,", "codes separated"},
        {"jam=maybe", "expected 0 or 1"},
        {"busy=fast", "milliseconds"},
        {"remain.black=-3", "amount"},
        {"remain.grey=3", "remain.black or remain.color"},
        {"cart.black.maker=A;B", "without ';'"},
        {"cart.black.colour=1", "unknown cartridge field"},
        {"cart.black.ic1=70000", "up to 65535"},
    };
    for (const auto& c : cases) {
        Printer p = make({});
        std::string before = p.describe();
        auto why = p.apply({"ink.black=5", c.assignment});
        ASSERT_TRUE(why) << c.assignment << " was accepted";
        EXPECT_NE(why->find(c.says), std::string::npos) << c.assignment << ": " << *why;
        EXPECT_EQ(p.describe(), before) << c.assignment << ": the valid assignment before it was applied";
    }
}

TEST(PrinterControlTest, DescribedStateAppliesBackToTheSameState) {
    Printer p = make({"ink.black=NA", "ink.cyan=7", "er=none", "st=3", "wr=16,20", "rv=none", "tc=77", "rc=2",
                      "paperout=1", "busy=250", "hbm=22", "remain.color=busy", "cart.color.maker=Refill Co",
                      "cart.color.ic2=0xBEEF", "lowlevel=20", "# a comment", ""},
                     "kestrel-870");
    Printer copy(*twsim::find_model("kestrel-870"));
    std::vector<std::string> lines;
    std::string d = p.describe(), line;
    for (char ch : d) {
        if (ch == '\n') lines.push_back(std::move(line)), line.clear();
        else line += ch;
    }
    auto refused = copy.apply(lines);
    ASSERT_FALSE(refused) << *refused;
    EXPECT_EQ(copy.describe(), d);
    EXPECT_EQ(copy.status_reply(4), p.status_reply(4));
    EXPECT_EQ(*copy.handle_commands(twsim::command_ink_information()),
              *p.handle_commands(twsim::command_ink_information()));
}

}  // namespace
