/*
 * Calderwynstrope plug-in contract.
 *
 * A plug-in is a DLL (a shared object on Linux) in the plug-ins folder that exports
 *
 *     PluginDescriptor* braxen_GetPlugin(void);
 *
 * under exactly that name. The program calls it once, right after loading the library, and then
 * writes its own window into hostWindow and the library's handle into module. The descriptor
 * belongs to the plug-in and must stay valid while the library is loaded.
 *
 * All texts are zero-terminated UTF-8. Nothing may be thrown across these functions.
 */
#ifndef CALDERWYNSTROPE_PLUGIN_API_H
#define CALDERWYNSTROPE_PLUGIN_API_H

#ifdef _WIN32
#define BRAXEN_CALL __cdecl
#define BRAXEN_EXPORT __declspec(dllexport)
#else
#define BRAXEN_CALL
#define BRAXEN_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Shows the plug-in's dialog for one filter. mode: 0 adding a new filter, 1 editing one.
 * text1..text3 and description are writable buffers of `size` bytes (128, terminator included),
 * filled with the filter's current values (empty for a new one); option points to its option
 * word (0 for a new one). Return non-zero when the user accepted: the program then keeps all
 * five values. Return 0 when cancelled: the program keeps nothing.
 */
typedef int(BRAXEN_CALL* braxen_DialogProc)(int mode, int size, char* text1, char* text2, char* text3, int* option,
                                            char* description);

/*
 * Renames. name is a writable buffer of `size` bytes (260) holding the name as the filters before
 * this one left it, without its extension; folder is the file's folder, ending with the path
 * separator. text1..text3 and option are the filter's values. Return non-zero when a new name
 * was written into name; 0 means no change, whatever the buffer holds.
 */
typedef int(BRAXEN_CALL* braxen_ApplyProc)(int size, char* name, const char* folder, const char* text1,
                                           const char* text2, const char* text3, int option);

typedef struct PluginDescriptor {
    void* hostWindow;           /* written by the program: its main window (HWND on Windows) */
    void* module;               /* written by the program: this library's handle */
    const char* menuText;       /* the text of the plug-in's item in the Add menu */
    braxen_ApplyProc applyProc; /* the rename function */
    braxen_DialogProc dialogProc;
} PluginDescriptor;

typedef PluginDescriptor*(BRAXEN_CALL* braxen_GetPluginProc)(void);

#define BRAXEN_GET_PLUGIN_EXPORT "braxen_GetPlugin"

#ifdef __cplusplus
}
#endif

#endif /* CALDERWYNSTROPE_PLUGIN_API_H */
