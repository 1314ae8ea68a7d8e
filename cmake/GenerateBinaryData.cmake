# Writes BinaryData.h and BinaryData.cpp: the given files as byte arrays in the
# namespace BinaryData, with lookups by resource name and by original file name,
# in the form the editor expects. Run in script mode:
#   cmake -DOUTPUT_DIR=<dir> -DRESOURCE_FILES=<file|file|...> -P GenerateBinaryData.cmake

if(NOT OUTPUT_DIR OR NOT RESOURCE_FILES)
    message(FATAL_ERROR "OUTPUT_DIR and RESOURCE_FILES are required")
endif()
string(REPLACE "|" ";" RESOURCE_FILES "${RESOURCE_FILES}")

set(declarations "")
set(definitions "")
set(cases "")
set(names "")
set(original_names "")
set(index 0)

# Twenty bytes to a line of the generated source.
set(line_of_bytes "")
foreach(n RANGE 1 20)
    string(APPEND line_of_bytes "0x[0-9a-f][0-9a-f],")
endforeach()

foreach(path IN LISTS RESOURCE_FILES)
    get_filename_component(file_name "${path}" NAME)

    # The resource name is the file name made an identifier: dots become
    # underscores, other characters that cannot appear in one are dropped.
    string(REPLACE "." "_" identifier "${file_name}")
    string(REGEX REPLACE "[^A-Za-z0-9_]" "" identifier "${identifier}")
    if(identifier MATCHES "^[0-9]")
        set(identifier "_${identifier}")
    endif()

    file(SIZE "${path}" size)
    file(READ "${path}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(${line_of_bytes})" "\\1\n" bytes "${bytes}")
    if(size EQUAL 0)
        set(bytes "0")
    endif()

    # The lookup compares the name's hash: h = 31 * h + c over its bytes, 32 bits.
    set(hash 0)
    string(LENGTH "${identifier}" length)
    math(EXPR last "${length} - 1")
    foreach(position RANGE 0 ${last})
        string(SUBSTRING "${identifier}" ${position} 1 character)
        string(HEX "${character}" code)
        math(EXPR hash "(31 * ${hash} + 0x${code}) & 0xffffffff")
    endforeach()
    math(EXPR hash "${hash}" OUTPUT_FORMAT HEXADECIMAL)

    string(APPEND declarations "extern const char* ${identifier};\nconst int ${identifier}Size = ${size};\n\n")
    string(APPEND definitions "static const unsigned char resource${index}[] = {\n${bytes}};\nconst char* ${identifier} = reinterpret_cast<const char*> (resource${index});\n\n")
    string(APPEND cases "        case ${hash}u:\n            dataSizeInBytes = ${size};\n            return ${identifier};\n")
    string(APPEND names "    \"${identifier}\",\n")
    string(APPEND original_names "    \"${file_name}\",\n")
    math(EXPR index "${index} + 1")
endforeach()

file(WRITE "${OUTPUT_DIR}/BinaryData.h.new" "// Generated at build time from the resource files; do not edit.
#pragma once

namespace BinaryData
{
${declarations}/** Number of entries of namedResourceList and originalFilenames. */
const int namedResourceListSize = ${index};

/** The resource names, in the order of the files. */
extern const char* namedResourceList[];

/** The names of the files the resources were made from, in the same order. */
extern const char* originalFilenames[];

/** The bytes of the named resource and their number, or null and 0 when there is none. */
const char* getNamedResource (const char* resourceNameUTF8, int& dataSizeInBytes);

/** The file name a named resource was made from, or null when there is none. */
const char* getNamedResourceOriginalFilename (const char* resourceNameUTF8);
} // namespace BinaryData
")

file(WRITE "${OUTPUT_DIR}/BinaryData.cpp.new" "// Generated at build time from the resource files; do not edit.
#include \"BinaryData.h\"

#include <cstring>

namespace BinaryData
{
${definitions}const char* getNamedResource (const char* resourceNameUTF8, int& dataSizeInBytes)
{
    unsigned int hash = 0;

    if (resourceNameUTF8 != nullptr)
        while (*resourceNameUTF8 != 0)
            hash = 31 * hash + static_cast<unsigned int> (static_cast<signed char> (*resourceNameUTF8++));

    switch (hash)
    {
${cases}        default:
            break;
    }

    dataSizeInBytes = 0;
    return nullptr;
}

const char* namedResourceList[] = {
${names}};

const char* originalFilenames[] = {
${original_names}};

const char* getNamedResourceOriginalFilename (const char* resourceNameUTF8)
{
    if (resourceNameUTF8 == nullptr)
        return nullptr;

    for (int i = 0; i < namedResourceListSize; ++i)
        if (std::strcmp (namedResourceList[i], resourceNameUTF8) == 0)
            return originalFilenames[i];

    return nullptr;
}
} // namespace BinaryData
")

# Replace the outputs only when they changed, so that nothing rebuilds needlessly.
foreach(file_name BinaryData.h BinaryData.cpp)
    file(COPY_FILE "${OUTPUT_DIR}/${file_name}.new" "${OUTPUT_DIR}/${file_name}" ONLY_IF_DIFFERENT)
    file(REMOVE "${OUTPUT_DIR}/${file_name}.new")
endforeach()
