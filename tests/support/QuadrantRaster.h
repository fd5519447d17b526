#pragma once

#include <string>
#include <vector>

namespace testsupport {

// A georeferenced raster of four coloured quadrants, each 100 x 100 pixels, made as users make
// theirs: a netpbm picture that gdal_translate georeferences. Header only.
struct QuadrantRaster {
    static constexpr int kSide = 200;

    struct Quadrant {
        const char* name;
        int r, g, b;
        double across, down; // its centre as shares of the width and height from north-west
    };
    static constexpr Quadrant kQuadrants[4] = {
        {"north-west red", 255, 0, 0, 0.25, 0.25},
        {"north-east green", 0, 255, 0, 0.75, 0.25},
        {"south-west blue", 0, 0, 255, 0.25, 0.75},
        {"south-east yellow", 255, 255, 0, 0.75, 0.75},
    };

    // The picture as a binary PPM, top row first.
    static std::string ppm() {
        std::string bytes = "P6\n200 200\n255\n";
        for (int pixel = 0; pixel < kSide * kSide; ++pixel) {
            const int row = pixel / kSide;
            const Quadrant& q = kQuadrants[(row < 100 ? 0 : 2) + (pixel % kSide < 100 ? 0 : 1)];
            bytes.append({static_cast<char>(q.r), static_cast<char>(q.g), static_cast<char>(q.b)});
        }
        return bytes;
    }

    // gdal_translate's command making a GeoTIFF of the picture with corners in `crs`.
    static std::vector<std::string> georeference(const std::string& ppmPath,
                                                 const std::string& geoTiffPath,
                                                 const std::string& crs, double west, double north,
                                                 double east, double south) {
        return {"gdal_translate",
                "-q",
                "-a_srs",
                crs,
                "-a_ullr",
                std::to_string(west),
                std::to_string(north),
                std::to_string(east),
                std::to_string(south),
                ppmPath,
                geoTiffPath};
    }
};

} // namespace testsupport
