# Run by the test link_rules with the forbidden links found at configure time.
if(VIOLATIONS)
  string(REPLACE "|" ";" VIOLATIONS "${VIOLATIONS}")
  foreach(v IN LISTS VIOLATIONS)
    message(STATUS "forbidden: ${v}")
  endforeach()
  message(FATAL_ERROR "layers link what they must not")
endif()
message(STATUS "every layer links only what it may")
