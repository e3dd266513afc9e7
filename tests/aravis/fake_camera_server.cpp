// A fake GigE Vision camera in a process of its own, for tests that kill it
// mid-stream (a camera unplugged) and start it again, or that need a
// camera another program controls. Serves on 127.0.0.1 until killed and
// prints "ready" once it answers.
//
//   fake_camera_server [--model NAME] [--serial S] [--size W H]
//                      [--lost-per-thousand N] [--genicam FILE] [--hold]
//
// --hold: the server also opens the camera itself and keeps control of it.
#include <arv.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "aravis/fake_gv_camera.h"

int main(int argc, char** argv) {
  std::string model = "eco424MVGE";
  std::string serial = "ECOCHILD01";
  std::string genicam;
  int width = 640;
  int height = 480;
  double lostPerThousand = 0.0;
  bool hold = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool more = i + 1 < argc;
    if (arg == "--model" && more) {
      model = argv[++i];
    } else if (arg == "--serial" && more) {
      serial = argv[++i];
    } else if (arg == "--genicam" && more) {
      genicam = argv[++i];
    } else if (arg == "--size" && i + 2 < argc) {
      width = std::atoi(argv[++i]);
      height = std::atoi(argv[++i]);
    } else if (arg == "--lost-per-thousand" && more) {
      lostPerThousand = std::atof(argv[++i]);
    } else if (arg == "--hold") {
      hold = true;
    } else {
      std::fprintf(stderr, "fake_camera_server: unknown argument %s\n", arg.c_str());
      return 2;
    }
  }
  ecocam::testing::FakeGvCamera camera(model, width, height, 0x01080001, serial, genicam);
  if (!camera.Running()) return 1;
  camera.LosePackets(lostPerThousand);
  ArvCamera* controller = nullptr;
  if (hold) {
    arv_update_device_list();
    for (unsigned int i = 0; i < arv_get_n_devices() && controller == nullptr; ++i) {
      if (serial == arv_get_device_serial_nbr(i)) controller = arv_camera_new(arv_get_device_id(i), nullptr);
    }
    if (controller == nullptr) return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) pause();
}
