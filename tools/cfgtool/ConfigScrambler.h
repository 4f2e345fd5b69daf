// The installConfig.dat container: the magic ".tmp", then the body with every
// byte XORed with 0xA7.
#pragma once

#include <string>

std::string PackConfig(const std::string& xml);
// False (with a reason) when the data is not such a container or holds nothing.
bool UnpackConfig(const std::string& data, std::string* xml, std::string* error);
