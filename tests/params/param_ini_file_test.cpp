// Loading and saving parameter sets in the driver's INI file.
#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "decimal_comma_locale.h"
#include "params_fixture.h"
#include "params/camera_parameters.h"
#include "params/param_ini_file.h"
#include "support/temp_dir.h"

namespace ecocam {
namespace {

using testing::DecimalCommaLocale;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using testing::ReadFile;
using testing::WriteFile;

const CameraInfo kMono{1, "eco424MVGE"};
const CameraInfo kColour{2, "eco424CVGE"};

std::string WithoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

std::string WithCarriageReturns(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The section a fresh set writes, in catalogue order, without LogIntoFile.
const char kNewSection[] =
    "[eco424MVGE]\n"
    "Width=100\nHeight=100\nBinning=Off\nOffsetX=0\nOffsetY=0\n"
    "PixelDepth=8\nBayerMethod=None\nUseLowPassFilter3x3=0\nUseLUT=0\n"
    "LUTtable=\nLUTtableRow=\nGamma=0.40000000000000002\n"
    "FrameRate=5\nExposureTime=100\nExposureDelay=1\nGain=1\nGainOffset=0\n"
    "UseAutoGain=0\nAutoGainBrightness=0\nAutoGainLimitMin=0\nAutoGainLimitMax=0\n"
    "AutoExposureLimitMin=0\nAutoExposureLimitMax=0\n"
    "AcquisitionMode=Fixed frequency\nTriggerInput=None\nOutput1=None\nOutput2=None\n"
    "Output3=None\nTXD=None\nTriggerPolarity=Positive\nStrobePolarity=Positive\n"
    "StrobePosition=0\nStrobeDuration=0\nLogLevel=1\nLogDebugView=0\n";

class ParamIniFileTest : public testing::ParamsTest {
 protected:
  std::vector<std::string> Texts(CameraParameters& set) {
    std::vector<std::string> texts;
    for (Param_& p : set) texts.push_back(p.to_string());
    return texts;
  }
};

TEST_F(ParamIniFileTest, FirstOpenKeepsTheCatalogueAndWritesNothing) {
  CameraParameters set(kMono);
  CameraParameters fresh(kMono);
  EXPECT_TRUE(set.Load());
  EXPECT_EQ(Texts(set), Texts(fresh));
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
  WriteFile(IniPath(), "[other]\r\nWidth=5\r\n");
  EXPECT_TRUE(set.Load());
  EXPECT_EQ(Texts(set), Texts(fresh));
  EXPECT_EQ(set.Get("Gamma").get_val<double>(), 0.4);
  EXPECT_THAT(_log.Take(), IsEmpty());
}

TEST_F(ParamIniFileTest, LoadParsesEachValueByItsTypeAndKeepsOutOfRangeValues) {
  WriteFile(IniPath(),
            "[eco424MVGE]\r\n"
            "Width=5000\r\nExposureTime=abc\r\nGain=12xyz\r\nUseLUT=true\r\n"
            "UseAutoGain=2\r\nGamma=1.5\r\nLUTtable=C:\\luts\\gamma.csv\r\n"
            "AcquisitionMode=Software trigger\r\nTriggerInput=in1\r\nBinning=2x2\r\n"
            "LogIntoFile=1\r\nLogDebugView=3\r\n");
  CameraParameters set(kMono);
  EXPECT_TRUE(set.Load());
  EXPECT_EQ(set.Get("Width").get_val<int>(), 5000);
  EXPECT_FALSE(set.Get("Width").in_range());
  EXPECT_EQ(set.Get("ExposureTime").get_val<int>(), 0);
  EXPECT_EQ(set.Get("Gain").get_val<int>(), 12);
  EXPECT_FALSE(set.Get("UseLUT").get_val<bool>());
  EXPECT_TRUE(set.Get("UseAutoGain").get_val<bool>());
  EXPECT_EQ(set.Get("Gamma").get_val<double>(), 1.5);
  EXPECT_EQ(set.Get("LUTtable").get_val<std::string>(), "C:\\luts\\gamma.csv");
  EXPECT_EQ(set.Get("AcquisitionMode").currEnumVal(), 2);
  // Labels are case-sensitive: "in1" is none of TriggerInput's, which
  // keeps its option and is reported once.
  EXPECT_EQ(set.Get("TriggerInput").get_val<std::string>(), "None");
  EXPECT_THAT(_log.Take(), ElementsAre("CameraParameters::Load: WARNING: unknown label, section=eco424MVGE "
                                       "key=TriggerInput label=in1, keeping None"));
  EXPECT_EQ(set.Get("Binning").currEnumVal(), 3);
  EXPECT_FALSE(set.Get("LogIntoFile").get_val<bool>());  // never loaded
  EXPECT_EQ(set.Get("LogDebugView").get_val<int>(), 3);
  EXPECT_EQ(set.Get("Height").get_val<int>(), 100);  // no key: unchanged

  WriteFile(IniPath(), "[eco424MVGE]\r\nUseLUT=1\r\n");
  set.Load();
  EXPECT_TRUE(set.Get("UseLUT").get_val<bool>());
  EXPECT_THAT(_log.Take(), IsEmpty());
}

TEST_F(ParamIniFileTest, ANewSetSavesEveryPersistentKeyInCatalogueOrder) {
  CameraParameters set(kMono);
  EXPECT_TRUE(set.Save());
  const std::string text = WithoutCarriageReturns(ReadFile(IniPath()));
  EXPECT_EQ(text, kNewSection);
  EXPECT_THAT(text, Not(HasSubstr("LogIntoFile")));
}

TEST_F(ParamIniFileTest, DisabledParametersAreNeitherReadNorWritten) {
  WriteFile(IniPath(), "[eco424MVGE]\r\nLUTtable=old.csv\r\nUseAutoGain=1\r\n");
  CameraParameters set(kMono);
  set.Get("LUTtable").set_enabled(false);
  set.Get("UseAutoGain").set_enabled(false);
  set.Load();
  EXPECT_EQ(set.Get("LUTtable").get_val<std::string>(), "");
  EXPECT_FALSE(set.Get("UseAutoGain").get_val<bool>());

  set.Get("LUTtable").set_val<std::string>("new.csv");
  set.Get("LUTtableRow").set_enabled(false);
  set.Save();
  const std::string text = ReadFile(IniPath());
  EXPECT_THAT(text, HasSubstr("LUTtable=old.csv"));
  EXPECT_THAT(text, Not(HasSubstr("new.csv")));
  EXPECT_THAT(text, Not(HasSubstr("LUTtableRow")));
  EXPECT_THAT(text, HasSubstr("UseAutoGain=1"));
  ParamIniFile file(IniPath(), "eco424MVGE");
  EXPECT_FALSE(SaveParam(file, set.Get("LUTtable")));
  EXPECT_TRUE(SaveParam(file, set.Get("Width")));
}

TEST_F(ParamIniFileTest, SaveKeepsUnrelatedKeysAndSections) {
  WriteFile(IniPath(),
            "; settings of the vision system\r\n"
            "[Other]\r\nWidth=7\r\n\r\n"
            "[eco424MVGE]\r\nCustom=kept\r\nWidth=5\r\n");
  CameraParameters set(kMono);
  set.Get("Width").set_val<int>(640);
  set.Save();
  // The profile functions may drop blank lines; everything else stays.
  const std::string text = WithoutCarriageReturns(ReadFile(IniPath()));
  EXPECT_EQ(text.rfind("; settings of the vision system\n[Other]\nWidth=7\n", 0), 0u) << text;
  EXPECT_THAT(text, HasSubstr("[eco424MVGE]\nCustom=kept\nWidth=640\nHeight=100\n"));
}

TEST_F(ParamIniFileTest, CamerasOfOneModelShareASection) {
  CameraParameters first(kMono);
  first.Get("Width").set_val<int>(640);
  first.Save();
  CameraParameters second(kMono);
  second.Load();
  EXPECT_EQ(second.Get("Width").get_val<int>(), 640);
  CameraParameters colour(kColour);
  colour.Load();
  EXPECT_EQ(colour.Get("Width").get_val<int>(), 100);
}

TEST_F(ParamIniFileTest, ValuesLongerThan255CharactersComeBackCut) {
  const std::string longName(300, 'x');
  CameraParameters set(kMono);
  set.Get("LUTtable").set_val<std::string>(longName);
  set.Save();
  CameraParameters loaded(kMono);
  loaded.Load();
  EXPECT_EQ(loaded.Get("LUTtable").get_val<std::string>(), longName.substr(0, 255));
}

TEST_F(ParamIniFileTest, GeneralParametersUseTheirOwnSectionAndAreClamped) {
  WriteFile(IniPath(), "[General]\r\nShared=500\r\n[eco424MVGE]\r\nShared=7\r\n");
  CameraParameters set(kMono);
  auto shared = std::make_unique<Param<int>>("Internal", "Shared", 5, 0, 100, 0);
  shared->set_general(true);
  set.Add(std::move(shared));
  set.Load();
  EXPECT_EQ(set.Get("Shared").get_val<int>(), 100);
  set.Get("Shared").set_val<int>(42);
  set.Save();
  const std::string text = WithoutCarriageReturns(ReadFile(IniPath()));
  EXPECT_THAT(text, HasSubstr("[General]\nShared=42\n"));
  EXPECT_THAT(text, HasSubstr("[eco424MVGE]\nShared=7\n"));
}

// A file as the Windows build writes it and as the Linux build writes it:
// either build reads it and, saving the same values, leaves it byte for byte.
TEST_F(ParamIniFileTest, FilesRoundTripBetweenTheBuilds) {
  std::string section = kNewSection;
  auto replace = [&section](const std::string& from, const std::string& to) {
    section.replace(section.find(from), from.size(), to);
  };
  replace("Width=100", "Width=1280");
  replace("Gamma=0.40000000000000002", "Gamma=1.1000000000000001");
  replace("AcquisitionMode=Fixed frequency", "AcquisitionMode=External trigger / Internal exposure");
  replace("LUTtable=\n", "LUTtable=C:\\luts\\lut.csv\n");
  replace("UseLUT=0", "UseLUT=1");
  const std::string lf = "[General]\nOwner=lab\n" + section + "[eco424CVGE]\nWidth=2\n";
  for (const std::string& original : {WithCarriageReturns(lf), lf}) {
    WriteFile(IniPath(), original);
    CameraParameters set(kMono);
    set.Load();
    EXPECT_EQ(set.Get("Width").get_val<int>(), 1280);
    EXPECT_EQ(set.Get("Gamma").get_val<double>(), 1.1);
    EXPECT_EQ(set.Get("AcquisitionMode").currEnumVal(), 3);
    EXPECT_EQ(set.Get("LUTtable").get_val<std::string>(), "C:\\luts\\lut.csv");
    set.Save();
    EXPECT_EQ(ReadFile(IniPath()), original);
  }
}

TEST_F(ParamIniFileTest, NumbersUseADecimalPointWhateverTheHostsLocale) {
  DecimalCommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma is installed";
  ASSERT_EQ(std::atof("0.5"), 0.0);  // the C library now stops at the point
  CameraParameters set(kMono);
  EXPECT_EQ(set.Get("Gamma").to_string(), "0.40000000000000002");
  set.Get("AutoGainLimitMax").set_val<double>(-1234.5);
  set.Save();
  EXPECT_THAT(ReadFile(IniPath()), HasSubstr("Gamma=0.40000000000000002"));
  EXPECT_THAT(ReadFile(IniPath()), HasSubstr("AutoGainLimitMax=-1234.5"));
  WriteFile(IniPath(), "[eco424MVGE]\r\nGamma=1.5\r\nAutoGainLimitMin=2,5\r\n");
  set.Load();
  EXPECT_EQ(set.Get("Gamma").get_val<double>(), 1.5);
  EXPECT_EQ(set.Get("AutoGainLimitMin").get_val<double>(), 2.0);
}

// Two cameras loaded and saved from two host threads: every key of both
// sections arrives, and each load sees its own section's values.
TEST_F(ParamIniFileTest, TwoThreadsLoadAndSaveTwoCameras) {
  for (int round = 0; round < 3; ++round) {
    std::filesystem::remove(IniPath());
    auto work = [](const CameraInfo& info, int width) {
      CameraParameters set(info);
      set.Get("Width").set_val<int>(width);
      set.Get("LUTtable").set_val<std::string>(std::string(200, static_cast<char>('a' + width % 26)));
      set.Save();
      for (int i = 0; i < 5; ++i) {
        CameraParameters loaded(info);
        loaded.Load();
        EXPECT_EQ(loaded.Get("Width").get_val<int>(), width);
        EXPECT_EQ(loaded.Get("LUTtable").get_val<std::string>(), set.Get("LUTtable").get_val<std::string>());
      }
    };
    std::thread mono(work, kMono, 640);
    std::thread colour(work, kColour, 320);
    mono.join();
    colour.join();
    for (const char* camera : {"eco424MVGE", "eco424CVGE"}) {
      CameraParameters loaded(CameraInfo{1, camera});
      const ParamIniFile file(IniPath(), camera);
      for (Param_& p : loaded) {
        if (p.persistent()) {
          EXPECT_NE(file.Read(p.name(), "missing"), "missing") << camera << " " << p.name();
        }
      }
    }
  }
}

}  // namespace
}  // namespace ecocam
