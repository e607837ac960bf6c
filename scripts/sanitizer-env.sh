# Run-time settings of the sanitizers for the checking builds (scripts/sanitize,
# scripts/fuzz). Sourced, not run.
#
# Every finding stops the program with a stack, and leaks are reported at exit; only what
# scripts/ubsan.supp lists is let through. The tests and the fuzz targets run clean under
# LeakSanitizer, Qt and fontconfig included, so no leak is suppressed.

orbelon_sanitizer_env() {
  local root=$1
  local symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
  if [ -x "$symbolizer" ]; then
    export ASAN_SYMBOLIZER_PATH="$symbolizer"
    export UBSAN_SYMBOLIZER_PATH="$symbolizer"
  fi
  export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1:abort_on_error=0:print_summary=1"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:report_error_type=1:suppressions=$root/scripts/ubsan.supp"
}
