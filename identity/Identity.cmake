# Who the plug-in is, written once. Every format's settings (plugin/CMakeLists.txt), the Windows
# version resource and the package take these variables; our C++ code (processor, editor, format
# fronts, tools, tests) reads the same facts from ZVIdentity.h, which is generated here from them
# and from the project's version (the top CMakeLists.txt). The header needs nothing but C++17.

set(ZV_PRODUCT_NAME "ZV-Reverb LX")
set(ZV_DESCRIPTION "Zelvane Reverb Lyxen Series")
set(ZV_COMPANY_NAME "Zelvane")
set(ZV_COMPANY_WEBSITE "https://zelvane.example")
set(ZV_COMPANY_EMAIL "support@zelvane.example")
set(ZV_BUNDLE_ID "com.zelvane.zvreverblx")
# Four-character codes: the maker's, and the plug-in's (the VST unique ID and the AAX product ID).
set(ZV_MANUFACTURER_CODE "ZV__")
set(ZV_PLUGIN_CODE "zL01")
set(ZV_LV2_URI "https://zelvane.example/plugins/zv-reverb-lx")

set(ZV_VERSION ${PROJECT_VERSION})
# Hosts read the version as one number: major in bits 16 to 23, minor in 8 to 15, patch in 0 to 7.
math(EXPR ZV_VERSION_CODE
     "(${PROJECT_VERSION_MAJOR} << 16) | (${PROJECT_VERSION_MINOR} << 8) | ${PROJECT_VERSION_PATCH}"
     OUTPUT_FORMAT HEXADECIMAL)
# The VST 2.4 record carries the version as those hosts expect it: major*100 + minor*10 + patch.
math(EXPR ZV_VST_VERSION "${PROJECT_VERSION_MAJOR} * 100 + ${PROJECT_VERSION_MINOR} * 10 + ${PROJECT_VERSION_PATCH}")

configure_file(${CMAKE_CURRENT_LIST_DIR}/ZVIdentity.h.in ${PROJECT_BINARY_DIR}/identity/ZVIdentity.h @ONLY)
add_library(zv_identity INTERFACE)
target_include_directories(zv_identity INTERFACE ${PROJECT_BINARY_DIR}/identity)
