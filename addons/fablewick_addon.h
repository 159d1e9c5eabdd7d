/*
 * Fablewick add-on interface.
 *
 * An add-on is a shared library that tables call with
 *
 *     {Extern~Identifier,parameter}
 *
 * Fablewick finds it as "<identifier>.so" in the "AddOns" folder of its program folder, then in
 * the folders listed in the environment variable FABLEWICK_ADDON_PATH (separated by colons).
 * The identifier is used as a file name exactly as written: "WeatherGen.Forecast" is the file
 * "WeatherGen.Forecast.so". Identifiers holding "/", "\" or that are "." or ".." are refused.
 * List the add-on in the program folder's "AddOns.cfg" (one line: display name, a comma, the
 * identifier) to show it on the add-on page.
 *
 * The library is loaded for each single call and unloaded right after it, so it must not
 * expect anything to survive between calls.
 *
 * Members. Export the following functions with C linkage; include this header and define
 * them. Every one of them is optional: a missing Main makes Extern calls fail with error 438, a
 * missing Version shows "Not available" on the add-on page, a missing About is reported when the
 * person asks for it.
 *
 *   Main     the add-on's work. `parameter` is the text after the first comma of the call,
 *            commas included, in UTF-8 and ending with a NUL. It belongs to Fablewick and is
 *            valid only during the call: do not change it or keep the pointer.
 *            Return the result text, in UTF-8 and ending with a NUL, in memory the add-on
 *            allocated; Fablewick copies it and gives the pointer back to FreeText, once, before
 *            unloading the library. Returning NULL counts as an empty text.
 *   Version  no argument; returns the version text with the same ownership as Main's result.
 *   AboutText  no argument; returns the text that tells the person about the add-on, with the
 *            same ownership as Version's. Fablewick shows it in a box of its window. When an
 *            add-on exports AboutText, About is not called.
 *   About    no argument, no result; tells the person about the add-on (its own window, or
 *            standard error for an add-on without one). Add-ons written before AboutText
 *            keep working with it alone.
 *   FreeText releases a text that Main or Version returned. Export it whenever Main or Version
 *            can return text: without it Fablewick cannot release the text and leaves it
 *            allocated. Fablewick never releases an add-on's text any other way.
 *
 * Fablewick calls the members on the thread that rolls the tables, one call at a time. Members
 * must return normally: no C++ exception or longjmp may leave them.
 */
#ifndef FABLEWICK_ADDON_H
#define FABLEWICK_ADDON_H

#ifdef __cplusplus
#define FABLEWICK_ADDON_EXTERN_C extern "C"
#else
#define FABLEWICK_ADDON_EXTERN_C
#endif

/* Marks a member for export, also when the library is built with hidden visibility. */
#define FABLEWICK_ADDON_EXPORT FABLEWICK_ADDON_EXTERN_C __attribute__((visibility("default")))

/* The exported names, as Fablewick looks them up. */
#define FABLEWICK_ADDON_MAIN "Main"
#define FABLEWICK_ADDON_VERSION "Version"
#define FABLEWICK_ADDON_ABOUT "About"
#define FABLEWICK_ADDON_ABOUT_TEXT "AboutText"
#define FABLEWICK_ADDON_FREE_TEXT "FreeText"

/* The members' types, for whoever loads add-ons. */
typedef char* (*FablewickAddOnMain)(const char* parameter);
typedef char* (*FablewickAddOnVersion)(void);
typedef void (*FablewickAddOnAbout)(void);
typedef char* (*FablewickAddOnAboutText)(void);
typedef void (*FablewickAddOnFreeText)(char* text);

#ifndef FABLEWICK_ADDON_TYPES_ONLY
FABLEWICK_ADDON_EXPORT char* Main(const char* parameter);
FABLEWICK_ADDON_EXPORT char* Version(void);
FABLEWICK_ADDON_EXPORT void About(void);
FABLEWICK_ADDON_EXPORT char* AboutText(void);
FABLEWICK_ADDON_EXPORT void FreeText(char* text);
#endif

#endif /* FABLEWICK_ADDON_H */
