/* The C interface of the library: an engine behind an opaque handle,
 * values behind opaque handles, errors as return codes. No C++ type or
 * exception crosses it. Text in and out is UTF-8.
 *
 * Every function that returns int returns one of ie_status. After
 * IE_ERROR, IE_INVALID or IE_BUSY, ie_last_error(engine) holds the
 * message until the engine's next call; a call without an engine (null
 * handle, value construction) leaves its message in ie_last_error(NULL),
 * kept per thread.
 *
 * A handle that was freed is refused with IE_INVALID as long as no new
 * engine was given the same address; freeing a handle twice is refused
 * the same way. An engine serves one call at a time: a call made from one
 * of its own callbacks (print, read-line, host function), or from another
 * thread while a call runs, is refused with IE_BUSY. */
#ifndef IE_IE_C_H
#define IE_IE_C_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ie_engine ie_engine;
typedef struct ie_fact ie_fact;
typedef struct ie_value ie_value;
typedef struct ie_call ie_call;

typedef enum ie_status {
  IE_OK = 0,
  /* the engine raised an error */
  IE_ERROR = 1,
  /* a null or freed handle, a null string, text that is not UTF-8, a wrong kind or index */
  IE_INVALID = 2,
  /* the engine is running another call */
  IE_BUSY = 3
} ie_status;

typedef enum ie_kind {
  IE_NONE = 0, /* no value (also for a null handle) */
  IE_SYMBOL,
  IE_STRING,
  IE_INTEGER,
  IE_FLOAT,
  IE_FACT_ID,
  IE_LIST,
  IE_FUZZY,
  IE_OTHER /* any other value: read its printed form with ie_value_text */
} ie_kind;

/* The library's version, "MAJOR.MINOR.PATCH". */
const char* ie_version(void);

/* A new engine with the built-in functions; NULL if it cannot be made.
 * Printed output goes to standard output and read and readline read
 * standard input until callbacks replace them. */
ie_engine* ie_engine_new(void);
/* Frees the engine, its facts and the values it handed out. */
int ie_engine_free(ie_engine* engine);
/* The message of the engine's last failed call, "" after a success. */
const char* ie_last_error(const ie_engine* engine);

/* Defines the constructs of text and runs its commands. */
int ie_load(ie_engine* engine, const char* text);
int ie_load_file(ie_engine* engine, const char* path);
/* Asserts one fact written as text, "(point (x 1))". id, when not NULL,
 * gets the new fact's ID, or -1 for a duplicate the engine rejected. */
int ie_assert(ie_engine* engine, const char* text, int32_t* id);
int ie_retract(ie_engine* engine, int32_t id);
/* Fires at most limit rules (no limit when negative); fired, when not
 * NULL, gets the number that fired. */
int ie_run(ie_engine* engine, int32_t limit, int32_t* fired);
int ie_reset(ie_engine* engine);
/* Removes every construct and fact; host functions and callbacks stay. */
int ie_clear(ie_engine* engine);
/* Evaluates one call, "(+ 1 2)"; *result is the caller's to free. */
int ie_eval(ie_engine* engine, const char* expression, ie_value** result);

/* Facts. ie_fact_ids writes up to capacity IDs, in the fact base's order,
 * and sets *count to the number of facts (call it with capacity 0 to size
 * the array). ie_fact_get gives a fact that stays readable after it is
 * retracted, until ie_fact_free. */
int ie_fact_ids(ie_engine* engine, int32_t* ids, size_t capacity, size_t* count);
int ie_fact_get(ie_engine* engine, int32_t id, ie_fact** fact);
void ie_fact_free(ie_fact* fact);
int32_t ie_fact_id(const ie_fact* fact);
const char* ie_fact_template(const ie_fact* fact);
/* The fact as the rule language writes it. */
const char* ie_fact_text(const ie_fact* fact);
size_t ie_fact_slot_count(const ie_fact* fact);
const char* ie_fact_slot_name(const ie_fact* fact, size_t index);
/* The value belongs to the fact. */
const ie_value* ie_fact_slot_value(const ie_fact* fact, size_t index);

/* Values. The readers return IE_INVALID for a value of another kind. */
ie_kind ie_value_kind(const ie_value* value);
/* Integers and fact IDs. */
int ie_value_integer(const ie_value* value, int64_t* result);
/* Floats and integers. */
int ie_value_float(const ie_value* value, double* result);
/* A symbol's name, a string's characters, any other value's printed
 * form; valid as long as the value. */
const char* ie_value_text(const ie_value* value);
/* A list's elements; the items belong to the list. */
size_t ie_value_list_size(const ie_value* value);
const ie_value* ie_value_list_item(const ie_value* value, size_t index);
/* A fuzzy value's points, (x, membership). */
size_t ie_value_fuzzy_size(const ie_value* value);
int ie_value_fuzzy_point(const ie_value* value, size_t index, double* x, double* y);

/* New values, the caller's to free; NULL (and ie_last_error(NULL)) for a
 * null or non-UTF-8 text or an integer the engine cannot hold (32 bits). */
ie_value* ie_value_new_integer(int64_t number);
ie_value* ie_value_new_float(double number);
ie_value* ie_value_new_symbol(const char* name);
ie_value* ie_value_new_string(const char* text);
/* The list holds copies of the items. */
ie_value* ie_value_new_list(const ie_value* const* items, size_t count);
void ie_value_free(ie_value* value);

/* Output and input. stream is the logical stream's name, "" for the
 * host's own. A read-line callback returns the line without its end, or
 * NULL at the end of the input; the text must stay valid until the
 * callback returns again. NULL restores standard output or input. */
typedef void (*ie_print_fn)(const char* stream, const char* text, void* user_data);
typedef const char* (*ie_read_line_fn)(const char* stream, void* user_data);
int ie_set_print(ie_engine* engine, ie_print_fn print, void* user_data);
int ie_set_read_line(ie_engine* engine, ie_read_line_fn read_line, void* user_data);

/* Host functions, callable from rules as (name arg...). The callback reads
 * its arguments from call, sets its result with ie_call_return (none
 * leaves the call without a value) and returns IE_OK; any other return
 * fails the rule's action with the message given to ie_call_fail (or one
 * naming the function). max_args below zero: no limit. Defining a name
 * again replaces the former function. */
typedef int (*ie_function_fn)(ie_call* call, void* user_data);
int ie_define_function(ie_engine* engine, const char* name, int min_args, int max_args,
                       ie_function_fn function, void* user_data);
size_t ie_call_arg_count(const ie_call* call);
/* The argument belongs to the call. */
const ie_value* ie_call_arg(const ie_call* call, size_t index);
/* Copies value as the call's result. */
int ie_call_return(ie_call* call, const ie_value* value);
/* Sets the call's error message; returns IE_ERROR for the callback to
 * return. */
int ie_call_fail(ie_call* call, const char* message);

#ifdef __cplusplus
}
#endif

#endif
