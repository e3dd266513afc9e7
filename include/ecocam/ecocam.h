/* ecocam camera driver: the interface a host application calls.
 *
 * Plain C, usable from C and C++. Every function uses the caller-cleans-up
 * (cdecl) calling convention; every int is 32 bits, signed. Texts are
 * NUL-terminated 8-bit strings owned by the caller; the driver copies what it
 * keeps. Results are 1 for success and 0 for failure unless said otherwise.
 */
#ifndef ECOCAM_ECOCAM_H
#define ECOCAM_ECOCAM_H

#if defined(_WIN32)
#define ECOCAM_CALL __cdecl
#if defined(ECOCAM_BUILDING_DRIVER)
#define ECOCAM_API __declspec(dllexport)
#else
#define ECOCAM_API __declspec(dllimport)
#endif
#else
#define ECOCAM_CALL
#define ECOCAM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The host's message procedure: called twice for every log line the driver
 * emits, first with the timestamp, then with the message. It runs on
 * whichever thread logs, with the driver's log lock held. */
typedef void(ECOCAM_CALL* DebugMsgProc)(const char* text);

/* The host's completion callback: called with (grabber number 0, port
 * number) on the driver's wait thread when a requested frame is ready. Its
 * result is ignored. */
typedef int(ECOCAM_CALL* CompleteCallback)(int grabberNo, int portNo);

/* Starts a user of the driver: stores the system directory (a null or empty
 * path keeps the one held before) and the message procedure (null clears
 * it); the first call discovers the cameras. Returns 1; 0 after an internal
 * error. Pair every call with finalize. */
ECOCAM_API int ECOCAM_CALL initialize(const char* systemPath, DebugMsgProc msgProc);

/* Ends a user of the driver; the last one closes every camera, stops the
 * driver's thread and unloads the camera SDK. Calls that need a camera and
 * come after the last finalize (or before the first initialize) fail and
 * start nothing; only initialize starts the driver again.
 *
 * Unloading the driver without the last finalize: on Linux, dlclose (and
 * process exit) closes the cameras and stops the driver's thread first,
 * waiting a few seconds at most. On Windows a library may not wait for
 * threads while it is being unloaded, so once initialized the driver stays
 * in memory until the process ends (FreeLibrary returns at once and leaves
 * it mapped) and nothing of it ever runs unmapped; its cameras go on
 * streaming until the process ends. Call finalize before unloading. */
ECOCAM_API int ECOCAM_CALL finalize(void);

/* Sets the directory of "SVS-Vistek.ini" and "SVS-Vistek.log". Returns 0 and
 * keeps the old path when `path` is null or empty. */
ECOCAM_API int ECOCAM_CALL setSystemPath(const char* path);

/* Sets the message procedure; null clears it. */
ECOCAM_API void ECOCAM_CALL setDebugMsgProc(DebugMsgProc msgProc);

/* Always 1: the driver has one grabber, number 0. */
ECOCAM_API int ECOCAM_CALL getCVLMaxNoOfGrabbers(void);

/* Always 20: ports are 0 to 19. Calls on any other port fail, and
 * openCVLPort refuses it. */
ECOCAM_API int ECOCAM_CALL getCVLMaxNoOfPorts(void);

/* Number of supported cameras found by initialize. */
ECOCAM_API int ECOCAM_CALL getCVLNoOfSupportedCameras(void);

/* The cameras' names, one per camera, terminated by a null pointer. The
 * driver owns the array; it stays valid until the next call or the last
 * finalize. */
ECOCAM_API char** ECOCAM_CALL getCVLCameraConfigNames(void);

/* Opens the camera `cameraName` on port `portNo`. `size` points at two ints
 * that receive the image width and height in pixels (0, 0 on failure). */
ECOCAM_API int ECOCAM_CALL openCVLPort(int grabberNo, int portNo, const char* cameraName, int* size);

/* Closes the camera on `portNo`. */
ECOCAM_API void ECOCAM_CALL closeCVLPort(int grabberNo, int portNo);

/* Requests a frame from the camera on `portNo`; the completion callback
 * reports it. */
ECOCAM_API int ECOCAM_CALL doCVLGrab(int grabberNo, int portNo);

/* Copies (lastColumn - firstColumn + 1) pixels of row `row` of the oldest
 * ready frame, starting at the row's first pixel, into `dest` (1 byte per
 * pixel for monochrome cameras, 3 for colour). Colour pixels are in the byte
 * order R, G, B whatever the camera sends: Bayer frames are converted into
 * that order and 24-bit colour frames arrive in it. Reading the last row
 * releases the frame. A range wider than the frame is cut to the frame's
 * width; an empty or negative range, a null `dest` or a row outside the
 * frame copies nothing and returns 0. */
ECOCAM_API int ECOCAM_CALL getCVLGrabRow(int grabberNo, int portNo, unsigned char* dest, int row, int firstColumn,
                                         int lastColumn);

/* Sets the completion callback of the camera on `portNo`; null clears it. */
ECOCAM_API int ECOCAM_CALL setCompleteCallback(int grabberNo, int portNo, CompleteCallback callback);

/* Reads the range of a named property into *min and *max. */
ECOCAM_API int ECOCAM_CALL getPropertyRange(int grabberNo, int portNo, const char* property, int* min, int* max);

/* Reads a named property into *value. */
ECOCAM_API int ECOCAM_CALL getProperty(int grabberNo, int portNo, const char* property, int* value);

/* Writes a named property. */
ECOCAM_API int ECOCAM_CALL setProperty(int grabberNo, int portNo, const char* property, int value);

/* Shows the configuration sheet of camera `cameraName`, owned by `parent`:
 * the HWND of the host's window on Windows; on Linux an X11 window id cast
 * to a pointer, or null for a sheet without owner. Returns 0 when the user
 * confirmed the sheet or no camera has that name, 1 when it was cancelled.
 *
 * On Linux the sheet is drawn with wxWidgets by libecocam-ui-wx.so, which
 * the driver loads from its own folder on the first call; the driver itself
 * needs no display. The sheet is made transient for `parent` (an id that
 * names no window is logged and ignored; a window of the host's own wx
 * application becomes the sheet's wx parent). A host that runs wxWidgets
 * itself must call from its wx main thread; otherwise the driver starts wx
 * on the first calling thread and every later call must come from that
 * thread. Without a display (DISPLAY unset, or the X server cannot be
 * reached), without the library, or from another thread, the call logs a
 * level-1 line and returns 1. */
ECOCAM_API int ECOCAM_CALL configureCamera(void* parent, const char* cameraName);

#ifdef __cplusplus
}
#endif

#endif /* ECOCAM_ECOCAM_H */
