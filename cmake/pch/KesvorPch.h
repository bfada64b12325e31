// Headers included by nearly every translation unit of the views and above.
#pragma once

#include "KesvorCorePch.h"

#ifdef __cplusplus
#include <QtWidgets/QWidget>
#endif
