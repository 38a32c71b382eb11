# The framework's modules, compiled once into one library that every layer, tool and test links.
# A module's sources are handed to whatever links it, so only this library links the modules;
# what it hands on are their include paths and definitions (INTERFACE, below), never their
# sources, and nothing compiles them twice.

add_library(zv_framework STATIC)
target_link_libraries(zv_framework
    PRIVATE juce::juce_audio_utils juce::juce_audio_formats
    PUBLIC juce::juce_recommended_config_flags)

if(WIN32)
    # The Windows build reads no audio files. Debian's framework carries no image libraries: the
    # image loaders use the ones scripts/windows/build-image-libraries.sh builds.
    set(zv_use_flac 0)
    find_path(ZV_PNG_INCLUDE_DIR png.h REQUIRED)
    find_path(ZV_JPEG_INCLUDE_DIR jpegint.h REQUIRED)
    find_library(ZV_PNG_LIBRARY NAMES libpng16.a REQUIRED)
    find_library(ZV_JPEG_LIBRARY NAMES libjpeg.a REQUIRED)
    target_include_directories(zv_framework PRIVATE ${ZV_PNG_INCLUDE_DIR} ${ZV_JPEG_INCLUDE_DIR})
    target_link_libraries(zv_framework PUBLIC ${ZV_PNG_LIBRARY} ${ZV_JPEG_LIBRARY} z)
else()
    # Debian's framework leaves out its bundled FLAC code; the system's library reads FLAC files.
    set(zv_use_flac 1)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(FLAC REQUIRED IMPORTED_TARGET flac)
    target_link_libraries(zv_framework PUBLIC PkgConfig::FLAC)
    # Debian's framework decodes images with the system's libraries; they follow the modules on
    # every link line.
    target_link_libraries(zv_framework PUBLIC juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
endif()

# The framework as every user of it sees it; settings that change its classes must be the same
# for the modules and for the code that uses them.
target_compile_definitions(zv_framework
    PUBLIC
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=0
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_REPORT_APP_USAGE=0
        JUCE_USE_FLAC=${zv_use_flac}
        JUCE_USE_OGGVORBIS=0
        JUCE_USE_MP3AUDIOFORMAT=0
        JUCE_MODAL_LOOPS_PERMITTED=1
        # Hosts address parameters by index; keep the indexes as their identities.
        JUCE_FORCE_USE_LEGACY_PARAM_IDS=1
    PRIVATE
        # The name the framework's accessibility support gives the plug-in's windows.
        JucePlugin_Name="${ZV_PRODUCT_NAME}")
target_include_directories(zv_framework INTERFACE $<TARGET_PROPERTY:zv_framework,INCLUDE_DIRECTORIES>)
target_compile_definitions(zv_framework INTERFACE
    $<FILTER:$<TARGET_PROPERTY:zv_framework,COMPILE_DEFINITIONS>,EXCLUDE,^JucePlugin_>)
set_target_properties(zv_framework PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

if(ZV_SANITIZE OR ZV_FUZZ)
    # The framework's FLAC reader scales samples up by shifting negative values left, which
    # UndefinedBehaviorSanitizer stops on (it is defined from C++20 on, and every compiler does
    # what it means). Our own code keeps that check.
    target_compile_options(zv_framework PRIVATE -fno-sanitize=shift-base)
endif()
