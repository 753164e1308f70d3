/* A host written in C: prices an order with rules that call a function of
 * the host, then reads the conclusions back slot by slot. */
#include <ie/ie_c.h>

#include <stdio.h>

/* (discount ?customer-years): the host's own pricing policy. */
static int Discount(ie_call* call, void* user_data) {
  (void)user_data;
  int64_t years = 0;
  if (ie_value_integer(ie_call_arg(call, 0), &years) != IE_OK) {
    return ie_call_fail(call, "discount: years must be an integer");
  }
  ie_value* rate = ie_value_new_float(years >= 5 ? 0.1 : years >= 2 ? 0.05 : 0.0);
  ie_call_return(call, rate);
  ie_value_free(rate);
  return IE_OK;
}

static const char* Rules =
    "(deftemplate order (slot customer) (slot years (type INTEGER)) (slot amount (type FLOAT)))\n"
    "(deftemplate invoice (slot customer) (slot total (type FLOAT)) (multislot notes))\n"
    "(defrule price\n"
    "   (order (customer ?c) (years ?y) (amount ?a))\n"
    "   =>\n"
    "   (bind ?rate (discount ?y))\n"
    "   (assert (invoice (customer ?c) (total (* ?a (- 1 ?rate)))\n"
    "                    (notes discount ?rate)))\n"
    "   (printout t \"priced \" ?c crlf))\n";

int main(void) {
  printf("library %s\n", ie_version());
  ie_engine* engine = ie_engine_new();
  if (engine == NULL) return 1;
  ie_define_function(engine, "discount", 1, 1, Discount, NULL);
  if (ie_load(engine, Rules) != IE_OK ||
      ie_assert(engine, "(order (customer ann) (years 6) (amount 200.0))", NULL) != IE_OK ||
      ie_assert(engine, "(order (customer bob) (years 1) (amount 50.0))", NULL) != IE_OK) {
    fprintf(stderr, "%s\n", ie_last_error(engine));
    ie_engine_free(engine);
    return 1;
  }
  int32_t fired = 0;
  ie_run(engine, -1, &fired);
  printf("%d rules fired\n", fired);

  int32_t ids[16];
  size_t count = 0;
  ie_fact_ids(engine, ids, 16, &count);
  for (size_t i = 0; i < count && i < 16; ++i) {
    ie_fact* fact = NULL;
    ie_fact_get(engine, ids[i], &fact);
    printf("f-%d %s\n", ie_fact_id(fact), ie_fact_text(fact));
    for (size_t slot = 0; slot < ie_fact_slot_count(fact); ++slot) {
      const ie_value* value = ie_fact_slot_value(fact, slot);
      double number = 0;
      if (ie_value_kind(value) == IE_FLOAT && ie_value_float(value, &number) == IE_OK) {
        printf("  %s = %.2f\n", ie_fact_slot_name(fact, slot), number);
      } else if (ie_value_kind(value) == IE_LIST) {
        printf("  %s has %zu items\n", ie_fact_slot_name(fact, slot), ie_value_list_size(value));
      }
    }
    ie_fact_free(fact);
  }

  /* An error is a status and a message; the engine goes on. */
  if (ie_retract(engine, 42) != IE_OK) printf("error: %s\n", ie_last_error(engine));
  ie_engine_free(engine);
  return 0;
}
