// Loading and saving parameters through the platform's profile functions,
// one key at a time; the driver keeps no copy of the file.
//
// A missing or unreadable file leaves every parameter as it was; a write
// that fails (a read-only file) ends the save with a report.
#include "params/param_ini_file.h"

#include <algorithm>
#include <vector>

#include "driver/driver_context.h"
#include "params/camera_parameters.h"
#include "params/param_types.h"
#include "platform/mutex.h"
#include "platform/profile_file.h"

namespace ecocam {
namespace {

// Serialises this process's key accesses, so two cameras loaded or saved
// from two host threads never interleave a read-modify-write of the file.
platform::Mutex& FileLock() {
  static platform::Mutex lock;
  return lock;
}

std::string ReadKey(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& default_text) {
  // Each read has its own buffer, so concurrent reads cannot see each
  // other's text; the size still cuts values to 255 characters.
  char buffer[ParamIniFile::kBufferSize];
  platform::LockGuard guard(FileLock());
  platform::ReadProfileString(section.c_str(), key.c_str(), default_text.c_str(), buffer, sizeof buffer, file.c_str());
  return buffer;
}

bool WriteKey(const std::string& file, const std::string& section, const std::string& key, const std::string& text) {
  platform::LockGuard guard(FileLock());
  return platform::WriteProfileString(section.c_str(), key.c_str(), text.c_str(), file.c_str());
}

}  // namespace

ParamIniFile::ParamIniFile(const std::string& file_name, const std::string& section)
    : _fileName(file_name), _section(section) {}

std::string ParamIniFile::Read(const std::string& key, const std::string& default_text) const {
  return ReadKey(_fileName, _section, key, default_text);
}

std::string ParamIniFile::ReadGeneral(const std::string& key, const std::string& default_text) const {
  return ReadKey(_fileName, kGeneralSection, key, default_text);
}

bool ParamIniFile::Write(const std::string& key, const std::string& text) const {
  return WriteKey(_fileName, _section, key, text);
}

bool ParamIniFile::WriteGeneral(const std::string& key, const std::string& text) const {
  return WriteKey(_fileName, kGeneralSection, key, text);
}

void LoadParam(const ParamIniFile& file, Param_& parameter) {
  if (!parameter.enabled()) return;
  // With the current text as the default, a missing key parses the value
  // back from itself and so leaves it unchanged.
  const std::string default_text = parameter.to_string();
  const bool general = parameter.general();
  const std::string text =
      general ? file.ReadGeneral(parameter.name(), default_text) : file.Read(parameter.name(), default_text);
  // A label none of the options has (a typing error, another letter case)
  // would select no option, and the camera would be sent value 0: such a
  // key is reported and the option in use stays.
  if (const auto* options = dynamic_cast<const ParamEnum*>(&parameter)) {
    const std::vector<std::string>& labels = options->labels();
    if (text != default_text && std::find(labels.begin(), labels.end(), text) == labels.end()) {
      ECOCAM_LOG(1, "CameraParameters::Load: WARNING: unknown label, section=" +
                        (general ? std::string(ParamIniFile::kGeneralSection) : file.section()) +
                        " key=" + parameter.name() + " label=" + text + ", keeping " + default_text);
      return;
    }
  }
  // Clamped for `general` parameters only: out-of-range values of the
  // camera's section are kept for the validation to judge.
  parameter.from_string(text.c_str(), general);
}

bool SaveParam(const ParamIniFile& file, Param_& parameter) {
  if (!parameter.enabled()) return false;
  const std::string& text = parameter.to_string();
  return parameter.general() ? file.WriteGeneral(parameter.name(), text) : file.Write(parameter.name(), text);
}

bool CameraParameters::Load() {
  const ParamIniFile file(DriverContext::GetInstance().IniPath(), _cameraInfo.modelName);
  for (Param_& p : _params) {
    if (p.persistent()) LoadParam(file, p);
  }
  return true;
}

// Stops at the first key that cannot be written: the file is read-only,
// say, and every further write would fail the same way.
bool CameraParameters::Save() {
  const ParamIniFile file(DriverContext::GetInstance().IniPath(), _cameraInfo.modelName);
  for (Param_& p : _params) {
    if (p.persistent() && p.enabled() && !SaveParam(file, p)) {
      ECOCAM_LOG(1, "CameraParameters::Save: ERROR: cannot write the configuration file " + file.file_name() +
                        ", section=" + (p.general() ? std::string(ParamIniFile::kGeneralSection) : file.section()) +
                        " key=" + p.name());
      return false;
    }
  }
  return true;
}

}  // namespace ecocam
