#pragma once

#include <string_view>

// Text that every model this program writes shares, lines ending in CR LF.
namespace grondel::sections {

// From the line after the model's "# MODEL ..." title up to the first material's name.
inline constexpr std::string_view kHeaderToMaterial = "\r\n"
                                                      "SECTION: HEADER\r\n"
                                                      "\r\n"
                                                      "3DO 2.1\r\n"
                                                      "\r\n"
                                                      "SECTION: MODELRESOURCE\r\n"
                                                      "\r\n"
                                                      "MATERIALS 1\r\n"
                                                      "0: ";

// From the end of the model's RADIUS number up to the mesh count: no offset, one geoset.
inline constexpr std::string_view kRadiusToMeshCount = "\r\n"
                                                       "\r\n"
                                                       "INSERT OFFSET 0 0 0\r\n"
                                                       "\r\n"
                                                       "GEOSETS 1\r\n"
                                                       "\r\n"
                                                       "GEOSET 0\r\n"
                                                       "\r\n"
                                                       "MESHES ";

// A mesh's drawing modes: textured, gouraud lit, perspective-correct.
inline constexpr std::string_view kMeshModes = "GEOMETRYMODE     4\r\n"
                                               "LIGHTINGMODE     3\r\n"
                                               "TEXTUREMODE      1\r\n";

// What follows a face's number: material 0, no type flags, the modes above, no extra light,
// three vertices.
inline constexpr std::string_view kFaceFlags = ": 0 0x0 4 3 1 0 3 ";

} // namespace grondel::sections
