#include "Brand.h"

#include "VekImages.h"

#include <stdexcept>

#ifndef VEK_BRAND_CODE
#define VEK_BRAND_CODE "VEK"
#endif

const Brand& Brand::for_code(const std::string& code)
{
    static const Brand talvik{"VEK",
                              "Talvik Maintenance Logs",
                              "Talvik Maintenance Logs",
                              "",
                              "VEK",
                              "Talvik Maintenance Logs",
                              "vekdb.talvik-logs.example",
                              "Rk7pW2qZ9d",
                              "vek",
                              "vekicon_png",
                              "veklogo_png",
                              290,
                              96};
    static const Brand brackwater{"ZAR",
                                  "Brackwater Maintenance Logs",
                                  "Brackwater",
                                  "ZAR-",
                                  "ZAR-VEK",
                                  "Brackwater - Maintenance Logs",
                                  "10.40.8.21",
                                  "Mx4tB8nQ2w",
                                  "zar-vek",
                                  "zaricon_png",
                                  "zarlogo_png",
                                  400,
                                  431};
    if (code == talvik.code)
        return talvik;
    if (code == brackwater.code)
        return brackwater;
    throw std::invalid_argument("unknown brand code \"" + code + "\"");
}

const Brand& Brand::current()
{
    static const Brand& brand = for_code(VEK_BRAND_CODE);
    return brand;
}

std::string window_title(const std::string& tail)
{
    return Brand::current().title_prefix + short_product_name + tail;
}

juce::Image get_brand_image(const std::string& resource)
{
    int size = 0;
    const char* data = VekImages::getNamedResource(resource.c_str(), size);
    if (data == nullptr)
        return {};
    return juce::ImageCache::getFromMemory(data, size);
}

juce::Image get_icon_image()
{
    return get_brand_image(Brand::current().icon_resource);
}

juce::Image get_logo_image()
{
    return get_brand_image(Brand::current().logo_resource);
}
