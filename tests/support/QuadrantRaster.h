#pragma once

#include <string>
#include <vector>

namespace testsupport {

// A georeferenced raster of four coloured quadrants with known corners, made as users make
// theirs: a netpbm picture (written here) that gdal_translate georeferences. The quadrants are
// north-west red, north-east green, south-west blue, south-east yellow, each 100 x 100 pixels.
// Header only; the caller runs the command with its own process runner.
struct QuadrantRaster {
    static constexpr int kSide = 200;

    struct Quadrant {
        const char* name;
        int r, g, b;
        double across, down; // its centre as a share of the width from the west edge and of
                             // the height from the north edge
    };
    static constexpr Quadrant kQuadrants[4] = {
        {"north-west red", 255, 0, 0, 0.25, 0.25},
        {"north-east green", 0, 255, 0, 0.75, 0.25},
        {"south-west blue", 0, 0, 255, 0.25, 0.75},
        {"south-east yellow", 255, 255, 0, 0.75, 0.75},
    };

    // The picture as a binary PPM, top row first.
    static std::string ppm() {
        std::string bytes =
            "P6\n" + std::to_string(kSide) + " " + std::to_string(kSide) + "\n255\n";
        for (int row = 0; row < kSide; ++row) {
            for (int column = 0; column < kSide; ++column) {
                const Quadrant& q =
                    kQuadrants[(row < kSide / 2 ? 0 : 2) + (column < kSide / 2 ? 0 : 1)];
                bytes += static_cast<char>(q.r);
                bytes += static_cast<char>(q.g);
                bytes += static_cast<char>(q.b);
            }
        }
        return bytes;
    }

    // gdal_translate's command that makes a GeoTIFF of the picture with corners in `crs`
    // ("EPSG:32611" for UTM zone 11 north, "EPSG:4326" for degrees).
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
