#include "Brand.h"
#include "VekLookAndFeel.h"

#include <gtest/gtest.h>

TEST(Brand, DefaultBrandTable)
{
    const Brand& talvik = Brand::for_code("VEK");
    EXPECT_EQ(talvik.application_name, "Talvik Maintenance Logs");
    EXPECT_EQ(talvik.splash_title, "Talvik Maintenance Logs");
    EXPECT_EQ(talvik.title_prefix, "");
    EXPECT_EQ(talvik.load_window_title, "VEK");
    EXPECT_EQ(talvik.about_title, "Talvik Maintenance Logs");
    EXPECT_EQ(talvik.default_database_password, "Rk7pW2qZ9d");
    EXPECT_EQ(talvik.web_product_word, "vek");
    EXPECT_FALSE(talvik.default_database_address.empty());
}

TEST(Brand, SecondBrandTable)
{
    const Brand& brackwater = Brand::for_code("ZAR");
    EXPECT_EQ(brackwater.application_name, "Brackwater Maintenance Logs");
    EXPECT_EQ(brackwater.splash_title, "Brackwater");
    EXPECT_EQ(brackwater.title_prefix, "ZAR-");
    EXPECT_EQ(brackwater.load_window_title, "ZAR-VEK");
    EXPECT_EQ(brackwater.about_title, "Brackwater - Maintenance Logs");
    EXPECT_EQ(brackwater.default_database_password, "Mx4tB8nQ2w");
    EXPECT_EQ(brackwater.web_product_word, "zar-vek");
    EXPECT_EQ(juce::IPAddress(brackwater.default_database_address).toString().toStdString(),
              brackwater.default_database_address)
        << "the second brand's server is an IPv4 address";
    EXPECT_THROW(Brand::for_code("XYZ"), std::invalid_argument);
}

TEST(Brand, ImagesHaveTheirSizesAndAreDecodedOnce)
{
    for (const char* code : {"VEK", "ZAR"})
    {
        const Brand& brand = Brand::for_code(code);
        const juce::Image icon = get_brand_image(brand.icon_resource);
        const juce::Image logo = get_brand_image(brand.logo_resource);
        ASSERT_TRUE(icon.isValid()) << code;
        ASSERT_TRUE(logo.isValid()) << code;
        EXPECT_EQ(icon.getWidth(), 256) << code;
        EXPECT_EQ(icon.getHeight(), 256) << code;
        EXPECT_EQ(logo.getWidth(), brand.logo_width) << code;
        EXPECT_EQ(logo.getHeight(), brand.logo_height) << code;
        EXPECT_EQ(get_brand_image(brand.icon_resource).getPixelData(), icon.getPixelData())
            << "the cache hands out the same decoded image";
    }
    EXPECT_NE(get_brand_image("vekicon_png").getPixelData(), get_brand_image("zaricon_png").getPixelData());
    EXPECT_EQ(get_logo_image().getWidth(), Brand::current().logo_width);
}

TEST(Brand, WindowTitlesCarryPrefixAndVersion)
{
    EXPECT_EQ(window_title(" - Choose A Role"), Brand::current().title_prefix + "VEK v1.2.1-3304 - Choose A Role");
}

TEST(LookAndFeel, ColourSchemeAndDefaultInstallation)
{
    auto look_and_feel = install_look_and_feel();
    juce::DocumentWindow window("w", juce::LookAndFeel::getDefaultLookAndFeel().findColour(
                                          juce::ResizableWindow::backgroundColourId),
                                0, false);
    EXPECT_EQ(window.getBackgroundColour(), juce::Colour(204, 221, 204))
        << "a window built after installation takes the scheme's background";
    EXPECT_EQ(look_and_feel->getCurrentColourScheme().getUIColour(
                  juce::LookAndFeel_V4::ColourScheme::highlightedFill),
              juce::Colour(64, 64, 64));
    uninstall_look_and_feel();
    EXPECT_NE(&juce::LookAndFeel::getDefaultLookAndFeel(), look_and_feel.get());
}
