/* Compiled as C: the host header is plain C and declares every export with
 * exactly these types and the cdecl convention. */
#include "ecocam/ecocam.h"

typedef int(ECOCAM_CALL* InitializeFn)(const char*, DebugMsgProc);
typedef int(ECOCAM_CALL* VoidIntFn)(void);
typedef char**(ECOCAM_CALL* NamesFn)(void);
typedef int(ECOCAM_CALL* PathFn)(const char*);
typedef void(ECOCAM_CALL* ProcFn)(DebugMsgProc);
typedef int(ECOCAM_CALL* OpenFn)(int, int, const char*, int*);
typedef void(ECOCAM_CALL* CloseFn)(int, int);
typedef int(ECOCAM_CALL* GrabFn)(int, int);
typedef int(ECOCAM_CALL* RowFn)(int, int, unsigned char*, int, int, int);
typedef int(ECOCAM_CALL* CallbackFn)(int, int, CompleteCallback);
typedef int(ECOCAM_CALL* RangeFn)(int, int, const char*, int*, int*);
typedef int(ECOCAM_CALL* GetFn)(int, int, const char*, int*);
typedef int(ECOCAM_CALL* SetFn)(int, int, const char*, int);
typedef int(ECOCAM_CALL* ConfigureFn)(void*, const char*);

int ecocam_header_c_check(void) {
  InitializeFn init = initialize;
  VoidIntFn fin = finalize, grabbers = getCVLMaxNoOfGrabbers, ports = getCVLMaxNoOfPorts,
            cameras = getCVLNoOfSupportedCameras;
  NamesFn names = getCVLCameraConfigNames;
  PathFn path = setSystemPath;
  ProcFn proc = setDebugMsgProc;
  OpenFn open = openCVLPort;
  CloseFn close = closeCVLPort;
  GrabFn grab = doCVLGrab;
  RowFn row = getCVLGrabRow;
  CallbackFn callback = setCompleteCallback;
  RangeFn range = getPropertyRange;
  GetFn get = getProperty;
  SetFn set = setProperty;
  ConfigureFn configure = configureCamera;
  return init && fin && grabbers && ports && cameras && names && path && proc && open && close && grab && row &&
         callback && range && get && set && configure && sizeof(int) == 4;
}
