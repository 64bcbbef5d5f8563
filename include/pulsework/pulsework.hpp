#pragma once

#include "pulsework/catalogue.hpp"
#include "pulsework/offset3.hpp"
#include "pulsework/pack_entry.hpp"
#include "pulsework/pattern_info.hpp"
#include "pulsework/pattern_library.hpp"
#include "pulsework/pip.hpp"
#include "pulsework/rudiments.hpp"
#include "pulsework/sampled_pattern.hpp"
#include "pulsework/shapes.hpp"
