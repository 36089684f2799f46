# The layers of "{{{docName}}}", imported from {{{appName}}}{{{scaleComment}}}
{{{variableName}}} = Zelvor.Importer.load "imported/{{{docName}}}@{{{scale}}}x"

