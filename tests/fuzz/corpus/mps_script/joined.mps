// comment
mapserver script ver="1.0";
		line	oid=""
				pos="35/1/2,139/3/4,
				35/1/3,139/3/5"
				str="[TR]a";
   
		point str="[WP]x
// cut
point pos="1,2" str="[RP]unclosed