/* Window handles and messages: a process-wide registry of message receivers
 * that stands in for windows, shared by the kernel, the control, the program
 * and the tests. */
#ifndef VORLAIN_WINDOW_H
#define VORLAIN_WINDOW_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VORLAIN_PLATFORM_API __attribute__((visibility("default")))

typedef struct VorlainWindow* HWND; /* opaque; 0 is no window */
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef unsigned int UINT;

/* queue the message for the receiver's own thread and return at once (called from any thread) */
typedef void (*VorlainPostProc)(void* context, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
/* run the handler on the receiver's own thread and return its result (blocks the caller until then) */
typedef LRESULT (*VorlainSendProc)(void* context, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

/* A new receiver, enabled. Either procedure may be null: a post without a post
 * procedure is dropped, a send without a send procedure returns 0. */
VORLAIN_PLATFORM_API HWND RegisterWindow(VorlainPostProc post, VorlainSendProc send, void* context);
VORLAIN_PLATFORM_API int DestroyWindow(HWND hwnd);
VORLAIN_PLATFORM_API int PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam); /* 0 for a dead handle */
VORLAIN_PLATFORM_API LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam); /* 0 for a dead handle */
VORLAIN_PLATFORM_API int IsWindow(HWND hwnd);
VORLAIN_PLATFORM_API int IsWindowEnabled(HWND hwnd);
/* Returns 1 when the window was disabled before the call, as its Win32 namesake does. */
VORLAIN_PLATFORM_API int EnableWindow(HWND hwnd, int enable);

#ifdef __cplusplus
}
#endif

#endif
