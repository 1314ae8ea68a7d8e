# Warnings for the project's own code. JUCE's sources are compiled without them
# and included as system headers, so only our code is held to this.
function(ravelwick_enable_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
