# The layers of "{{{docName}}}", imported from {{{appName}}}{{{scaleComment}}}
{{{variableName}}}{{snippetCounter}} = Zelvor.Importer.load "imported/{{{docName}}}@{{{scale}}}x"

