#pragma once

#include <juce_graphics/juce_graphics.h>

#include <string>

// Product constants, the same in both brands.
inline constexpr const char* vek_version = "1.2.1-3304";
inline constexpr const char* short_product_name = "VEK v1.2.1-3304";
inline constexpr int expected_database_revision = 7;

// Everything that differs between the two brands. The brand is chosen when the program is
// built (VEK_BRAND_CODE); `for_code` also gives the other brand's values, for tests.
struct Brand
{
    std::string code;
    std::string application_name;
    std::string splash_title;
    std::string title_prefix;
    std::string load_window_title;
    std::string about_title;
    std::string default_database_address;
    std::string default_database_password;
    std::string web_product_word;
    std::string icon_resource;
    std::string logo_resource;
    int logo_width;
    int logo_height;

    static const Brand& for_code(const std::string& code);
    static const Brand& current();
};

// Brand prefix, "VEK v", the version and the tail: the title of a top-level window.
std::string window_title(const std::string& tail);

// The brand's square window icon and its logo, decoded once and shared.
juce::Image get_icon_image();
juce::Image get_logo_image();

// A compiled-in image by its resource name, decoded once through the image cache.
juce::Image get_brand_image(const std::string& resource);
