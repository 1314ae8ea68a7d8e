# Compiles the JUCE modules the plug-in uses into one static library, built once
# per build folder and shared by the bundle, the tests and the tools. Works the
# same for Debian 12's JUCE 7 package and for JUCE 8 module sources, and needs
# neither JUCE's CMake package nor its juceaide.

find_package(Threads REQUIRED)
find_package(Freetype REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(PkgConfig REQUIRED)

set(RAVELWICK_JUCE_MODULES
    juce_core
    juce_events
    juce_data_structures
    juce_graphics
    juce_gui_basics
    juce_gui_extra
    juce_audio_basics
    juce_audio_formats
    juce_audio_processors
    juce_dsp)

function(ravelwick_add_juce_library target modules_dir)
    if(NOT EXISTS "${modules_dir}/juce_core/juce_core.h")
        message(FATAL_ERROR "No JUCE modules in '${modules_dir}' (run scripts/setup.sh)")
    endif()

    file(READ "${modules_dir}/juce_core/juce_core.h" core_header)
    string(REGEX MATCH "version:[ \t]*([0-9]+)\\.([0-9]+)\\.([0-9]+)" _ "${core_header}")
    set(juce_version "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}")
    message(STATUS "JUCE ${juce_version} from ${modules_dir}")
    if(NOT CMAKE_MATCH_1 STREQUAL RAVELWICK_JUCE_MAJOR)
        message(FATAL_ERROR "Expected JUCE ${RAVELWICK_JUCE_MAJOR} in '${modules_dir}', found ${juce_version}")
    endif()

    set(sources)
    set(definitions)
    foreach(module IN LISTS RAVELWICK_JUCE_MODULES)
        # Each module's unity files are its top-level juce_<module>*.cpp / .c.
        file(GLOB module_sources CONFIGURE_DEPENDS
            "${modules_dir}/${module}/${module}*.cpp"
            "${modules_dir}/${module}/${module}*.c")
        list(APPEND sources ${module_sources})
        list(APPEND definitions JUCE_MODULE_AVAILABLE_${module}=1)
    endforeach()

    add_library(${target} STATIC ${sources})
    target_include_directories(${target} SYSTEM PUBLIC "${modules_dir}")

    # These settings change JUCE's headers, so everything that includes them
    # must see the same ones: all are public.
    target_compile_definitions(${target} PUBLIC
        ${definitions}
        JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
        JUCE_STANDALONE_APPLICATION=0
        JUCE_REPORT_APP_USAGE=0
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=0
        JUCE_USE_FLAC=0
        JUCE_USE_OGGVORBIS=0
        JUCE_USE_MP3AUDIOFORMAT=0
        JUCE_USE_LAME_AUDIO_FORMAT=0
        JUCE_INCLUDE_ZLIB_CODE=0
        JUCE_INCLUDE_PNGLIB_CODE=0
        JUCE_INCLUDE_JPEGLIB_CODE=0
        JUCE_PLUGINHOST_VST3=0
        JUCE_PLUGINHOST_LV2=0
        JUCE_PLUGINHOST_ARA=0
        $<IF:$<CONFIG:Debug>,DEBUG=1;_DEBUG=1,NDEBUG=1>)

    set_target_properties(${target} PROPERTIES
        POSITION_INDEPENDENT_CODE ON
        C_VISIBILITY_PRESET hidden
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    target_compile_options(${target} PRIVATE -w)

    target_link_libraries(${target} PUBLIC
        Freetype::Freetype PNG::PNG JPEG::JPEG ZLIB::ZLIB
        Threads::Threads ${CMAKE_DL_LIBS} rt)

    if(juce_version VERSION_GREATER_EQUAL 8)
        pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
        target_link_libraries(${target} PUBLIC PkgConfig::FONTCONFIG)
    else()
        # JUCE 7 shows a splash screen unless told otherwise, which its GPL
        # licence allows; JUCE 8 has none and warns about the flag.
        target_compile_definitions(${target} PUBLIC JUCE_DISPLAY_SPLASH_SCREEN=0)
    endif()
endfunction()
