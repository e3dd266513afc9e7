/* Lists the cameras the linked driver finds: `consumer SYSTEM_PATH`.
 * Prints "cameras: N", then "camera: NAME" for each; exits 0 when the driver
 * initialised. */
#include <stdio.h>

#include <ecocam/ecocam.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: consumer SYSTEM_PATH\n");
    return 2;
  }
  if (initialize(argv[1], NULL) != 1) {
    fprintf(stderr, "initialize failed\n");
    return 1;
  }
  printf("cameras: %d\n", getCVLNoOfSupportedCameras());
  char** names = getCVLCameraConfigNames();
  for (int i = 0; names != NULL && names[i] != NULL; ++i) printf("camera: %s\n", names[i]);
  finalize();
  return 0;
}
