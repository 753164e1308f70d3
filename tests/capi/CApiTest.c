/* The C interface, from C: a knowledge base end to end, values read back
 * kind by kind, callbacks both ways, and every kind of call failing with a
 * status and a message while the engine stays usable. An exception that
 * crossed into these C frames would end the program. */
#include <ie/ie_c.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Failures = 0;

#define CHECK(condition)                                                      \
  do {                                                                        \
    if (!(condition)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++Failures;                                                             \
    }                                                                         \
  } while (0)

#define CHECK_ERROR(call, status, engine, text)           \
  do {                                                    \
    CHECK((call) == (status));                            \
    CHECK(strstr(ie_last_error(engine), (text)) != NULL); \
  } while (0)

/* Output gathered by the print callback. */
static char Printed[4096];

static void Gather(const char* stream, const char* text, void* user_data) {
  (void)stream;
  int* calls = user_data;
  ++*calls;
  strncat(Printed, text, sizeof Printed - strlen(Printed) - 1);
}

static ie_engine* NewQuietEngine(int* print_calls) {
  ie_engine* engine = ie_engine_new();
  Printed[0] = '\0';
  ie_set_print(engine, Gather, print_calls);
  return engine;
}

/* The fact of template among the engine's facts; the caller frees it. */
static ie_fact* FindFact(ie_engine* engine, const char* template_name) {
  int32_t ids[64];
  size_t count = 0;
  if (ie_fact_ids(engine, ids, 64, &count) != IE_OK) return NULL;
  for (size_t i = 0; i < count && i < 64; ++i) {
    ie_fact* fact = NULL;
    if (ie_fact_get(engine, ids[i], &fact) != IE_OK) continue;
    if (strcmp(ie_fact_template(fact), template_name) == 0) return fact;
    ie_fact_free(fact);
  }
  return NULL;
}

static const ie_value* SlotOf(const ie_fact* fact, const char* name) {
  for (size_t i = 0; i < ie_fact_slot_count(fact); ++i) {
    if (strcmp(ie_fact_slot_name(fact, i), name) == 0) return ie_fact_slot_value(fact, i);
  }
  return NULL;
}

static void TestKnowledgeBase(void) {
  int print_calls = 0;
  ie_engine* engine = NewQuietEngine(&print_calls);
  CHECK(ie_load(
            engine,
            "(deftemplate item (slot name) (slot label (type STRING)) (slot count (type INTEGER))\n"
            "  (slot price (type FLOAT)) (multislot tags))\n"
            "(deftemplate total (slot sum))\n"
            "(defrule add (item (count ?c) (price ?p)) => (assert (total (sum (* ?c ?p))))\n"
            "  (printout t \"added \" ?c crlf))") == IE_OK);
  int32_t id = -1;
  CHECK(ie_assert(engine,
                  "(item (name bolt) (label \"M6 bolt\") (count 3) (price 0.25) (tags a 7 \"s\"))",
                  &id) == IE_OK);
  CHECK(id >= 0);
  int32_t fired = -1;
  CHECK(ie_run(engine, -1, &fired) == IE_OK);
  CHECK(fired == 1);
  CHECK(strcmp(Printed, "added 3\n") == 0 || strcmp(Printed, "added 3\r\n") == 0);
  CHECK(print_calls >= 1);

  ie_fact* item = NULL;
  CHECK(ie_fact_get(engine, id, &item) == IE_OK);
  CHECK(ie_fact_id(item) == id);
  CHECK(strcmp(ie_fact_template(item), "item") == 0);
  CHECK(strstr(ie_fact_text(item), "(name bolt)") != NULL);
  const ie_value* name = SlotOf(item, "name");
  CHECK(ie_value_kind(name) == IE_SYMBOL && strcmp(ie_value_text(name), "bolt") == 0);
  const ie_value* label = SlotOf(item, "label");
  CHECK(ie_value_kind(label) == IE_STRING && strcmp(ie_value_text(label), "M6 bolt") == 0);
  int64_t count = 0;
  CHECK(ie_value_integer(SlotOf(item, "count"), &count) == IE_OK && count == 3);
  double price = 0;
  CHECK(ie_value_float(SlotOf(item, "price"), &price) == IE_OK && fabs(price - 0.25) < 1e-9);
  CHECK(ie_value_integer(SlotOf(item, "price"), &count) == IE_INVALID);
  const ie_value* tags = SlotOf(item, "tags");
  CHECK(ie_value_kind(tags) == IE_LIST && ie_value_list_size(tags) == 3);
  CHECK(ie_value_kind(ie_value_list_item(tags, 0)) == IE_SYMBOL);
  CHECK(ie_value_integer(ie_value_list_item(tags, 1), &count) == IE_OK && count == 7);
  CHECK(ie_value_kind(ie_value_list_item(tags, 2)) == IE_STRING);
  CHECK(ie_value_list_item(tags, 3) == NULL);

  ie_fact* total = FindFact(engine, "total");
  CHECK(total != NULL && ie_value_float(SlotOf(total, "sum"), &price) == IE_OK &&
        fabs(price - 0.75) < 1e-9);
  ie_fact_free(total);

  /* A snapshot outlives the fact's retraction. */
  CHECK(ie_retract(engine, id) == IE_OK);
  CHECK(strcmp(ie_value_text(SlotOf(item, "name")), "bolt") == 0);
  ie_fact_free(item);
  /* The engine's initial fact and the total are left. */
  size_t facts = 0;
  CHECK(ie_fact_ids(engine, NULL, 0, &facts) == IE_OK && facts == 2);

  CHECK(ie_reset(engine) == IE_OK);
  CHECK(ie_fact_ids(engine, NULL, 0, &facts) == IE_OK && facts == 1);
  CHECK(ie_clear(engine) == IE_OK);
  CHECK(ie_fact_ids(engine, NULL, 0, &facts) == IE_OK && facts == 0);
  CHECK(ie_engine_free(engine) == IE_OK);
}

static void TestRunLimitAndEval(void) {
  int print_calls = 0;
  ie_engine* engine = NewQuietEngine(&print_calls);
  CHECK(ie_load(engine, "(defrule count (n ?x&:(< ?x 10)) => (assert (n (+ ?x 1))))") == IE_OK);
  CHECK(ie_assert(engine, "(n 0)", NULL) == IE_OK);
  int32_t fired = 0;
  CHECK(ie_run(engine, 4, &fired) == IE_OK && fired == 4);
  CHECK(ie_run(engine, -1, &fired) == IE_OK && fired == 6);
  ie_value* sum = NULL;
  CHECK(ie_eval(engine, "(+ 1 2.5)", &sum) == IE_OK);
  double number = 0;
  CHECK(ie_value_kind(sum) == IE_FLOAT && ie_value_float(sum, &number) == IE_OK && number == 3.5);
  ie_value_free(sum);
  CHECK(ie_load(engine,
                "(deftype speed extends (type FUZZY) (range 0 100)"
                " (values (term low (tri 10 30 50))))"
                "(deftemplate fan (slot speed (type speed)))") == IE_OK);
  CHECK(ie_assert(engine, "(fan (speed low))", NULL) == IE_OK);
  ie_fact* fan = FindFact(engine, "fan");
  const ie_value* speed = SlotOf(fan, "speed");
  CHECK(ie_value_kind(speed) == IE_FUZZY && ie_value_fuzzy_size(speed) >= 3);
  double x = -1, y = -1, peak = 0;
  for (size_t i = 0; i < ie_value_fuzzy_size(speed); ++i) {
    CHECK(ie_value_fuzzy_point(speed, i, &x, &y) == IE_OK);
    if (y == 1) peak = x;
  }
  CHECK(peak == 30);
  CHECK(ie_value_fuzzy_point(speed, 99, &x, &y) == IE_INVALID);
  ie_fact_free(fan);
  ie_engine_free(engine);
}

static const char* Answers[] = {"no", "", "yes  trailing words", "a whole line", NULL};

static const char* NotUtf8(const char* stream, void* user_data) {
  (void)stream;
  (void)user_data;
  return "caf\xE9";
}

static const char* Answer(const char* stream, void* user_data) {
  (void)stream;
  int* next = user_data;
  return Answers[*next] != NULL ? Answers[(*next)++] : NULL;
}

static void TestReadLine(void) {
  int print_calls = 0, next = 0;
  ie_engine* engine = NewQuietEngine(&print_calls);
  CHECK(ie_set_read_line(engine, Answer, &next) == IE_OK);
  ie_value* value = NULL;
  CHECK(ie_eval(engine, "(read)", &value) == IE_OK);
  CHECK(ie_value_kind(value) == IE_SYMBOL && strcmp(ie_value_text(value), "no") == 0);
  ie_value_free(value);
  /* read skips the empty line and takes one token of the next. */
  CHECK(ie_eval(engine, "(read)", &value) == IE_OK);
  CHECK(strcmp(ie_value_text(value), "yes") == 0);
  ie_value_free(value);
  CHECK(ie_eval(engine, "(readline)", &value) == IE_OK);
  CHECK(ie_value_kind(value) == IE_STRING && strcmp(ie_value_text(value), "a whole line") == 0);
  ie_value_free(value);
  /* The end of the input reads as the symbol EOF. */
  CHECK(ie_eval(engine, "(read)", &value) == IE_OK);
  CHECK(ie_value_kind(value) == IE_SYMBOL && strcmp(ie_value_text(value), "EOF") == 0);
  ie_value_free(value);
  /* A line that is not UTF-8 fails the read. */
  CHECK(ie_set_read_line(engine, NotUtf8, NULL) == IE_OK);
  CHECK_ERROR(ie_eval(engine, "(readline)", &value), IE_ERROR, engine, "UTF-8 (byte 3)");
  CHECK(value == NULL);
  ie_engine_free(engine);
}

/* (scale ?factor ?x...): the list of each x times factor. */
static int Scale(ie_call* call, void* user_data) {
  int* calls = user_data;
  ++*calls;
  double factor = 0;
  if (ie_value_float(ie_call_arg(call, 0), &factor) != IE_OK) {
    return ie_call_fail(call, "scale: the factor must be a number");
  }
  size_t count = ie_call_arg_count(call) - 1;
  ie_value* items[8];
  for (size_t i = 0; i < count; ++i) {
    double x = 0;
    ie_value_float(ie_call_arg(call, i + 1), &x);
    items[i] = ie_value_new_float(x * factor);
  }
  ie_value* list = ie_value_new_list((const ie_value* const*)items, count);
  for (size_t i = 0; i < count; ++i) ie_value_free(items[i]);
  ie_call_return(call, list);
  ie_value_free(list);
  return IE_OK;
}

static int Refuse(ie_call* call, void* user_data) {
  (void)call;
  (void)user_data;
  return IE_ERROR;
}

/* Calls back into its own engine: refused, since the engine is running. */
static int ReEnter(ie_call* call, void* user_data) {
  ie_engine* engine = user_data;
  int status = ie_run(engine, -1, NULL);
  ie_value* result = ie_value_new_integer(status);
  ie_call_return(call, result);
  ie_value_free(result);
  return IE_OK;
}

static void TestHostFunctions(void) {
  int print_calls = 0, calls = 0;
  ie_engine* engine = NewQuietEngine(&print_calls);
  CHECK(ie_define_function(engine, "scale", 1, 8, Scale, &calls) == IE_OK);
  ie_value* result = NULL;
  CHECK(ie_eval(engine, "(scale 2 1 2.5)", &result) == IE_OK);
  double x = 0;
  CHECK(ie_value_list_size(result) == 2);
  CHECK(ie_value_float(ie_value_list_item(result, 1), &x) == IE_OK && x == 5);
  ie_value_free(result);
  CHECK(calls == 1);

  /* The engine checks the argument counts before calling. */
  CHECK_ERROR(ie_eval(engine, "(scale)", &result), IE_ERROR, engine, "scale");
  CHECK(result == NULL && calls == 1);
  CHECK_ERROR(ie_eval(engine, "(scale x)", &result), IE_ERROR, engine,
              "scale: the factor must be a number");

  /* A rule's action that fails: the run stops with the message, facts stay. */
  CHECK(ie_define_function(engine, "refuse", 0, -1, Refuse, NULL) == IE_OK);
  CHECK(ie_load(engine, "(defrule r (go) => (refuse 1 2 3))") == IE_OK);
  CHECK(ie_assert(engine, "(go)", NULL) == IE_OK);
  CHECK_ERROR(ie_run(engine, -1, NULL), IE_ERROR, engine, "Host function refuse failed");
  size_t count = 0;
  CHECK(ie_fact_ids(engine, NULL, 0, &count) == IE_OK && count == 2);

  CHECK(ie_define_function(engine, "reenter", 0, 0, ReEnter, engine) == IE_OK);
  CHECK(ie_eval(engine, "(reenter)", &result) == IE_OK);
  int64_t status = 0;
  CHECK(ie_value_integer(result, &status) == IE_OK && status == IE_BUSY);
  CHECK(strstr(ie_last_error(NULL), "busy") != NULL);
  ie_value_free(result);
  ie_engine_free(engine);
}

/* Each kind of call fails with a status and a message, and the engine
 * goes on: a later call succeeds and the facts are still there. */
static void TestEveryCallFails(void) {
  int print_calls = 0;
  ie_engine* engine = NewQuietEngine(&print_calls);
  CHECK(ie_assert(engine, "(kept)", NULL) == IE_OK);
  CHECK(ie_define_function(engine, "refuse", 0, -1, Refuse, NULL) == IE_OK);

  CHECK_ERROR(ie_load(engine, "(defrule broken"), IE_ERROR, engine, "");
  CHECK(ie_last_error(engine)[0] != '\0');
  CHECK_ERROR(ie_load_file(engine, "/nonexistent/kb.clp"), IE_ERROR, engine, "kb.clp");
  CHECK_ERROR(ie_assert(engine, "(undefined-template (slot 1))", NULL), IE_ERROR, engine, "");
  CHECK(ie_last_error(engine)[0] != '\0');
  CHECK_ERROR(ie_retract(engine, 999), IE_ERROR, engine, "No Such Fact with ID=999 exists");
  CHECK(ie_load(engine, "(defrule r (kept) => (refuse))") == IE_OK);
  CHECK_ERROR(ie_run(engine, -1, NULL), IE_ERROR, engine, "refuse");
  CHECK(ie_load(engine, "(defglobal ?*g* = (refuse))") != IE_OK);
  CHECK(ie_load(engine, "(deffacts start (kept) (more (refuse)))") == IE_OK);
  CHECK_ERROR(ie_reset(engine), IE_ERROR, engine, "refuse");
  ie_value* result = NULL;
  CHECK_ERROR(ie_eval(engine, "(no-such-function)", &result), IE_ERROR, engine, "no-such-function");
  ie_fact* fact = NULL;
  CHECK_ERROR(ie_fact_get(engine, 999, &fact), IE_ERROR, engine, "999");
  CHECK(fact == NULL);
  CHECK_ERROR(ie_define_function(engine, "f", 0, 0, NULL, NULL), IE_INVALID, engine, "null");

  CHECK(ie_last_error(engine)[0] != '\0');
  CHECK(ie_eval(engine, "(+ 1 1)", &result) == IE_OK);
  CHECK(ie_last_error(engine)[0] == '\0');
  ie_value_free(result);
  CHECK(ie_clear(engine) == IE_OK);
  CHECK(ie_assert(engine, "(again)", NULL) == IE_OK);
  ie_engine_free(engine);
}

static void TestBadInput(void) {
  CHECK(ie_load(NULL, "(a)") == IE_INVALID);
  CHECK(strstr(ie_last_error(NULL), "null or freed") != NULL);
  CHECK(ie_run(NULL, -1, NULL) == IE_INVALID);
  CHECK(ie_engine_free(NULL) == IE_INVALID);

  int print_calls = 0;
  ie_engine* engine = NewQuietEngine(&print_calls);
  CHECK_ERROR(ie_load(engine, NULL), IE_INVALID, engine, "ie_load: null");
  CHECK_ERROR(ie_assert(engine, NULL, NULL), IE_INVALID, engine, "ie_assert: null");
  CHECK_ERROR(ie_assert(engine, "(name \"caf\xC3\")", NULL), IE_INVALID, engine, "UTF-8");
  CHECK_ERROR(ie_load(engine, "(a \xED\xA0\x80)"), IE_INVALID, engine, "byte 3");
  CHECK(ie_assert(engine, "(name \"caf\xC3\xA9\")", NULL) == IE_OK);
  CHECK_ERROR(ie_fact_ids(engine, NULL, 4, NULL), IE_INVALID, engine, "null");
  CHECK(ie_value_new_string("\xFF") == NULL);
  CHECK(strstr(ie_last_error(NULL), "UTF-8") != NULL);
  CHECK(ie_value_new_symbol(NULL) == NULL);
  CHECK(ie_value_new_integer(5000000000LL) == NULL);
  CHECK(strstr(ie_last_error(NULL), "5000000000") != NULL);
  CHECK(ie_value_kind(NULL) == IE_NONE && ie_value_text(NULL) == NULL);
  CHECK(ie_fact_template(NULL) == NULL && ie_fact_slot_count(NULL) == 0);

  CHECK(ie_engine_free(engine) == IE_OK);
  /* The handle is gone: refused, not used. */
  CHECK(ie_run(engine, -1, NULL) == IE_INVALID);
  CHECK(ie_engine_free(engine) == IE_INVALID);
}

static void TestVersion(void) {
  int major = -1, minor = -1, patch = -1;
  CHECK(sscanf(ie_version(), "%d.%d.%d", &major, &minor, &patch) == 3);
  CHECK(major >= 0 && minor >= 0 && patch >= 0);
}

int main(void) {
  TestVersion();
  TestKnowledgeBase();
  TestRunLimitAndEval();
  TestReadLine();
  TestHostFunctions();
  TestEveryCallFails();
  TestBadInput();
  if (Failures > 0) {
    fprintf(stderr, "%d checks failed\n", Failures);
    return EXIT_FAILURE;
  }
  printf("C API: all checks passed\n");
  return EXIT_SUCCESS;
}
