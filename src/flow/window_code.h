#pragma once

namespace lumo::flow {

// The windows of Lumo by their codes.
enum class WindowCode { MAIN, PLAYQUEUE, OPENMENU, URLINPUT, SUBTITLE, MAGNETWIN, LOGIN, CODECDL, NOTICE };

}  // namespace lumo::flow
