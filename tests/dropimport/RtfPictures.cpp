#include "dropimport/RtfPictures.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// Enough for every playback of these tests.
std::uint64_t budget = RtfPictures::MaxRasterPixels;

std::string Sample(const char* name) { return TestEnv::ReadFile(std::string(QB_TEST_DATA_DIR) + "/rtf/" + name); }

std::uint32_t Le32(const std::string& d, size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(d[at + i]);
    return v;
}

void Put32(std::string& d, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = static_cast<char>(v >> (8 * i));
}

TRVRTFPicture Picture(TRVRTFPictureType type, std::string data, int picW = 0, int picH = 0, int mapMode = 0) {
    TRVRTFPicture picture;
    picture.Type = type;
    picture.Data = std::move(data);
    picture.PicW = picW;
    picture.PicH = picH;
    picture.MetafileMapMode = mapMode;
    return picture;
}

// A 2 x 2 DIB, 24 bits per pixel.
std::string Dib() {
    std::string dib(40 + 16, '\0');
    Put32(dib, 0, 40);
    Put32(dib, 4, 2);
    Put32(dib, 8, 2);
    dib[12] = 1;
    dib[14] = 24;
    return dib;
}

// The colour (0xRRGGBB) of a pixel of a 24-bit bottom-up BMP.
std::uint32_t BmpPixel(const std::string& bmp, int x, int y) {
    const std::uint32_t width = Le32(bmp, 18), height = Le32(bmp, 22);
    const size_t row = (width * 3 + 3) & ~3u;
    const size_t at = Le32(bmp, 10) + (height - 1 - y) * row + x * 3;
    return static_cast<unsigned char>(bmp[at + 2]) << 16 | static_cast<unsigned char>(bmp[at + 1]) << 8 |
           static_cast<unsigned char>(bmp[at]);
}

TEST(RtfPictures, TypesWithoutAnImageGiveNone) {
    for (TRVRTFPictureType type : {rtf_pict_Unknown, rtf_pict_MacPict, rtf_pict_PmMetafile, rtf_pict_DDB})
        EXPECT_EQ(RtfPictures::MakeGraphic(Picture(type, "00")), nullptr) << type;
}

TEST(RtfPictures, PngAndJpegSizesComeFromTheirHeaders) {
    auto png = RtfPictures::MakeGraphic(Picture(rtf_pict_PNG, Sample("small.png"), 999, 999));
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(png->Kind, TRVGraphicKind::PNG);
    EXPECT_EQ(png->Width, 6);
    EXPECT_EQ(png->Height, 4);
    EXPECT_EQ(png->Data, Sample("small.png"));
    auto jpeg = RtfPictures::MakeGraphic(Picture(rtf_pict_JPEG, Sample("small.jpg")));
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->Width, 8);
    EXPECT_EQ(jpeg->Height, 5);
}

TEST(RtfPictures, DamagedPngAndJpegHaveNoSize) {
    const std::string jpeg = Sample("small.jpg");
    const std::string png = Sample("small.png");
    for (const std::string& data : {jpeg.substr(0, 20), std::string("\xFF\xD8\xFF\xE0garbage"), std::string()}) {
        auto graphic = RtfPictures::MakeGraphic(Picture(rtf_pict_JPEG, data));
        EXPECT_EQ(graphic->Width, 0);
    }
    for (const std::string& data : {png.substr(0, 20), png.substr(1)}) {
        auto graphic = RtfPictures::MakeGraphic(Picture(rtf_pict_PNG, data));
        EXPECT_EQ(graphic->Width, 0);
    }
}

TEST(RtfPictures, DibGetsAValidFileHeader) {
    const std::string dib = Dib();
    auto bitmap = RtfPictures::MakeGraphic(Picture(rtf_pict_DIB, dib));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Kind, TRVGraphicKind::Bitmap);
    EXPECT_EQ(bitmap->Width, 2);
    EXPECT_EQ(bitmap->Height, 2);
    EXPECT_EQ(bitmap->Data.substr(0, 2), "BM");
    EXPECT_EQ(Le32(bitmap->Data, 2), 14 + dib.size());  // the file size
    EXPECT_EQ(Le32(bitmap->Data, 6), 0u);               // reserved
    EXPECT_EQ(Le32(bitmap->Data, 10), 14u + 40u);        // where the pixels start
    EXPECT_EQ(bitmap->Data.substr(14), dib);
}

TEST(RtfPictures, DibWithAPaletteStartsItsPixelsAfterIt) {
    std::string dib = Dib();
    dib[14] = 8;  // 8 bits per pixel: 256 palette entries of 4 bytes
    dib.resize(40 + 1024 + 8);
    auto bitmap = RtfPictures::MakeGraphic(Picture(rtf_pict_DIB, dib));
    EXPECT_EQ(Le32(bitmap->Data, 10), 14u + 40u + 1024u);
}

TEST(RtfPictures, InvalidBitmapsAndMetafilesRaise) {
    std::string badDepth = Dib();
    badDepth[14] = 7;
    std::string shortPalette = Dib();
    shortPalette[14] = 8;
    const std::string emf = std::string(88, '\0');
    const struct {
        TRVRTFPictureType Type;
        std::string Data;
        const char* Message;
    } cases[] = {
        {rtf_pict_DIB, "", "Bitmap image is not valid"},
        {rtf_pict_DIB, badDepth, "Bitmap image is not valid"},
        {rtf_pict_DIB, shortPalette, "Bitmap image is not valid"},
        {rtf_pict_EMF, emf, "Invalid metafile"},
        {rtf_pict_WMF, "\x01\x00\x09", "Invalid metafile"},
        {rtf_pict_WMF, std::string(18, 'x'), "Invalid metafile"},
    };
    for (const auto& c : cases) {
        try {
            RtfPictures::MakeGraphic(Picture(c.Type, c.Data));
            ADD_FAILURE() << "no exception for type " << c.Type;
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), c.Message);
        }
    }
}

TEST(RtfPictures, EnhancedMetafileKeepsItsBytes) {
    std::string emf(100, '\0');
    Put32(emf, 0, 1);
    Put32(emf, 8, 10);   // bounds: left, top, right, bottom
    Put32(emf, 12, 20);
    Put32(emf, 16, 109);
    Put32(emf, 20, 69);
    Put32(emf, 40, 0x464D4520);
    auto graphic = RtfPictures::MakeGraphic(Picture(rtf_pict_EMF, emf));
    ASSERT_NE(graphic, nullptr);
    EXPECT_EQ(graphic->Kind, TRVGraphicKind::EnhMetafile);
    EXPECT_EQ(graphic->Width, 100);
    EXPECT_EQ(graphic->Height, 50);
    EXPECT_EQ(graphic->Data, emf);
}

TEST(RtfPictures, MetafileSizeFollowsTheMappingMode) {
    struct Case {
        int MapMode, PicW, Width;
    };
    const Case cases[] = {
        {8, 2540, 96},   // anisotropic: hundredths of a millimetre
        {7, 2646, 100},  // isotropic
        {3, 2540, 96},   // HIMETRIC
        {1, 321, 321},   // pixels
        {2, 254, 96},    // LOMETRIC
        {4, 100, 96},    // LOENGLISH
        {5, 1000, 96},   // HIENGLISH
        {6, 1440, 96},   // twips
        {8, 2000000000, RtfPictures::MaxImageSide},
    };
    for (const Case& c : cases) {
        auto graphic = RtfPictures::MakeGraphic(Picture(rtf_pict_WMF, Sample("red.wmf"), c.PicW, c.PicW, c.MapMode));
        EXPECT_EQ(graphic->Width, c.Width) << c.MapMode << " " << c.PicW;
    }
}

TEST(RtfPictures, MetafilePlaysIntoABitmap) {
    TRVGraphic metafile = *RtfPictures::MakeGraphic(Picture(rtf_pict_WMF, Sample("red.wmf"), 2646, 1588, 8));
    ASSERT_EQ(metafile.Width, 100);
    ASSERT_EQ(metafile.Height, 60);
    const std::string bmp = RtfPictures::MetafileToBitmap(metafile, budget);
    ASSERT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Le32(bmp, 2), bmp.size());
    EXPECT_EQ(Le32(bmp, 18), 100u);
    EXPECT_EQ(Le32(bmp, 22), 60u);
    // Two red squares in opposite corners on white.
    EXPECT_EQ(BmpPixel(bmp, 5, 5), 0xFF0000u);
    EXPECT_EQ(BmpPixel(bmp, 95, 55), 0xFF0000u);
    EXPECT_EQ(BmpPixel(bmp, 50, 30), 0xFFFFFFu);
}

TEST(RtfPictures, MetafileWithClippingPolygonsAndPensPlays) {
    TRVGraphic metafile = *RtfPictures::MakeGraphic(Picture(rtf_pict_WMF, Sample("shapes.wmf"), 200, 200, 1));
    const std::string bmp = RtfPictures::MetafileToBitmap(metafile, budget);
    EXPECT_EQ(BmpPixel(bmp, 100, 60), 0x00FF00u);   // inside the polygon and the clip
    EXPECT_EQ(BmpPixel(bmp, 100, 190), 0xFFFFFFu);  // clipped away
}

TEST(RtfPictures, MetafileWithoutASizeTakesItsOwn) {
    TRVGraphic metafile = *RtfPictures::MakeGraphic(Picture(rtf_pict_WMF, Sample("red.wmf"), 0, 0, 8));
    RtfPictures::MetafileToBitmap(metafile, budget);
    EXPECT_GT(metafile.Width, 0);
    EXPECT_GT(metafile.Height, 0);
}

TEST(RtfPictures, HugeMetafileIsRasterisedSmaller) {
    TRVGraphic metafile = *RtfPictures::MakeGraphic(Picture(rtf_pict_WMF, Sample("red.wmf"), 1000000, 500000, 1));
    EXPECT_EQ(metafile.Width, RtfPictures::MaxImageSide);
    const std::string bmp = RtfPictures::MetafileToBitmap(metafile, budget);
    EXPECT_EQ(Le32(bmp, 18), static_cast<std::uint32_t>(RtfPictures::MaxRasterSide));
    EXPECT_LE(Le32(bmp, 22), static_cast<std::uint32_t>(RtfPictures::MaxRasterSide));
}

TEST(RtfPictures, PlaybacksShareAPixelBudget) {
    TRVGraphic metafile = *RtfPictures::MakeGraphic(Picture(rtf_pict_WMF, Sample("red.wmf"), 100, 60, 1));
    std::uint64_t left = 100 * 60 * 2 + 10;
    EXPECT_FALSE(RtfPictures::MetafileToBitmap(metafile, left).empty());
    EXPECT_FALSE(RtfPictures::MetafileToBitmap(metafile, left).empty());
    EXPECT_EQ(left, 10u);
    EXPECT_EQ(RtfPictures::MetafileToBitmap(metafile, left), "");
}

TEST(RtfPictures, DamagedMetafilesRaiseInsteadOfPlaying) {
    const std::string good = Sample("red.wmf");
    std::string recordPastEnd = good;
    Put32(recordPastEnd, 18, 0x7FFFFFFF);  // the first record claims more words than there are
    std::string understated = good;
    Put32(understated, 12, 3);  // a header whose largest record is too small: corrected, plays
    std::string zeroRecord = good;
    Put32(zeroRecord, 18, 0);
    struct Case {
        std::string Data;
        bool Plays;
    };
    const Case cases[] = {
        {recordPastEnd, false},
        {zeroRecord, false},
        {good.substr(0, good.size() - 6), false},  // no end record
        {understated, true},
        {good + "trailing bytes after the end record", true},
    };
    for (const Case& c : cases) {
        TRVGraphic metafile = *RtfPictures::MakeGraphic(Picture(rtf_pict_WMF, c.Data, 100, 60, 1));
        if (c.Plays) {
            EXPECT_NO_THROW(RtfPictures::MetafileToBitmap(metafile, budget));
        } else {
            EXPECT_THROW(RtfPictures::MetafileToBitmap(metafile, budget), EInvalidGraphic);
        }
    }
}

TEST(RtfPictures, GraphicFromFileRecognisesSignatures) {
    std::string placeable(22, '\0');
    Put32(placeable, 0, 0x9AC6CDD7);
    placeable[10] = static_cast<char>(200);  // right: 200 units of 1440 per inch
    placeable[12] = static_cast<char>(144);  // bottom
    placeable[14] = static_cast<char>(1440 & 0xFF);
    placeable[15] = static_cast<char>(1440 >> 8);
    placeable += Sample("red.wmf");
    std::string bmp = "BM" + std::string(12, '\0') + Dib();
    struct Case {
        std::string Bytes;
        bool Recognised;
        TRVGraphicKind Kind;
        int Width;
    };
    const Case cases[] = {
        {Sample("small.png"), true, TRVGraphicKind::PNG, 6},
        {Sample("small.jpg"), true, TRVGraphicKind::JPEG, 8},
        {bmp, true, TRVGraphicKind::Bitmap, 2},
        {placeable, true, TRVGraphicKind::Metafile, 13},
        {Sample("red.wmf"), true, TRVGraphicKind::Metafile, 0},
        {"plain text", false, TRVGraphicKind::PNG, 0},
        {"BM" + std::string(20, '\0'), false, TRVGraphicKind::Bitmap, 0},
    };
    for (const Case& c : cases) {
        auto graphic = RtfPictures::GraphicFromFile(c.Bytes);
        ASSERT_EQ(graphic != nullptr, c.Recognised) << c.Bytes.substr(0, 4);
        if (!graphic) continue;
        EXPECT_EQ(graphic->Kind, c.Kind);
        EXPECT_EQ(graphic->Width, c.Width);
        EXPECT_EQ(graphic->Data, c.Bytes);
    }
}

}  // namespace
