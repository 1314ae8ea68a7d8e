# Optional sanitizer builds of everything, JUCE included, so that every
# report points at a real fault: RAVELWICK_SANITIZE=address,undefined or
# thread (with clang). Any report stops the program, so it fails its test.
set(RAVELWICK_SANITIZE "" CACHE STRING "Sanitizers for the whole build: empty, address,undefined or thread")
set_property(CACHE RAVELWICK_SANITIZE PROPERTY STRINGS "" "address,undefined" "thread")

if(RAVELWICK_SANITIZE)
    add_compile_options(-fsanitize=${RAVELWICK_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${RAVELWICK_SANITIZE})
endif()
