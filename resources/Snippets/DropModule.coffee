{{{moduleName}}} = require "{{{moduleName}}}"
