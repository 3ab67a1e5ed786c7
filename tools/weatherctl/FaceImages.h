#ifndef WEATHERCTL_FACE_IMAGES_H
#define WEATHERCTL_FACE_IMAGES_H

// The 23 common weather images as inline SVG, drawn by us so a rendered page
// needs no file but itself.

#include <string>

namespace weatherctl {

// One hidden <svg> holding every image's drawing; a page includes it once.
const std::string& FaceImageDefinitions();

// The common image number an image file name starts with ("04.rain_360x360.png"
// gives 4); 0 for a name that names none of the 23.
int FaceImageNumber(const std::string& imageName);

// An inline <svg> of class cls showing the image, its file name as its title.
// A name that is no common image (the not-supplied marker) shows an empty
// dashed ring with the name as title.
std::string FaceImage(const std::string& imageName, const char* cls);

} // namespace weatherctl

#endif
