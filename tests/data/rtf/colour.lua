-- Pandoc's document model has no colours or alignment: red spans and centred divisions of the
-- HTML source become the RTF that LibreOffice writes for them.
function Span(span)
  local style = span.attributes.style or ''
  if style:match('color:%s*#ff0000') then
    -- \cf1 is red in the colour table of pandoc's RTF template.
    return {pandoc.RawInline('rtf', '{\\cf1 '), span, pandoc.RawInline('rtf', '}')}
  end
end

function Div(div)
  local style = div.attributes.style or ''
  if style:match('text%-align:%s*center') then
    local rtf = pandoc.write(pandoc.Pandoc(div.content), 'rtf')
    return pandoc.RawBlock('rtf', (rtf:gsub('\\ql ', '\\qc ')))
  end
end
