// Not compiled: the layer check reads it as a source of renaming that reaches past its layer.
#include "filesystem/natural_order.h"
#include "platform/dialogs.h"
#include "platform/name_list_model.h"

#include <QAbstractListModel>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <unistd.h>
