{{#moduleVariable}}{{{moduleVariable}}}{{/moduleVariable}}{{^moduleVariable}}{{{moduleName}}}{{/moduleVariable}} = require "{{{moduleName}}}"
