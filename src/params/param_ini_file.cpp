// Loading and saving parameters through the platform's profile functions,
// one key at a time; the driver keeps no copy of the file.
//
// Failures of the profile functions are ignored on purpose: a missing or
// unreadable file leaves every parameter as it was, and a failed write is
// silent.
#include "params/param_ini_file.h"

#include "driver/driver_context.h"
#include "params/camera_parameters.h"
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
  platform::ReadProfileString(section.c_str(), key.c_str(), default_text.c_str(), buffer,
                              sizeof buffer, file.c_str());
  return buffer;
}

bool WriteKey(const std::string& file, const std::string& section, const std::string& key,
              const std::string& text) {
  platform::LockGuard guard(FileLock());
  return platform::WriteProfileString(section.c_str(), key.c_str(), text.c_str(), file.c_str());
}

}  // namespace

ParamIniFile::ParamIniFile(const std::string& file_name, const std::string& section)
    : _fileName(file_name), _section(section) {}

std::string ParamIniFile::Read(const std::string& key, const std::string& default_text) const {
  return ReadKey(_fileName, _section, key, default_text);
}

std::string ParamIniFile::ReadGeneral(const std::string& key,
                                      const std::string& default_text) const {
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
  if (parameter.general()) {
    parameter.from_string(file.ReadGeneral(parameter.name(), default_text).c_str(), true);
  } else {
    // No clamping: out-of-range values are kept for the validation to judge.
    parameter.from_string(file.Read(parameter.name(), default_text).c_str(), false);
  }
}

bool SaveParam(const ParamIniFile& file, Param_& parameter) {
  if (!parameter.enabled()) return false;
  const std::string& text = parameter.to_string();
  return parameter.general() ? file.WriteGeneral(parameter.name(), text)
                             : file.Write(parameter.name(), text);
}

bool CameraParameters::Load() {
  const ParamIniFile file(DriverContext::GetInstance().IniPath(), _cameraInfo.modelName);
  for (Param_& p : _params) {
    if (p.persistent()) LoadParam(file, p);
  }
  return true;
}

bool CameraParameters::Save() {
  const ParamIniFile file(DriverContext::GetInstance().IniPath(), _cameraInfo.modelName);
  for (Param_& p : _params) {
    if (p.persistent()) SaveParam(file, p);  // a failed write is ignored
  }
  return true;
}

}  // namespace ecocam
